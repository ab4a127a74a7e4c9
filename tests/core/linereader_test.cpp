#include "core/linereader.h"

#include "support/testutil.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using tamarisk::core::ByteLen;
using tamarisk::core::CharPos;
using tamarisk::core::kEndOfFile;
using tamarisk::core::LineReader;
using tamarisk::core::LineSpan;
using tamarisk::core::LineStops;
using tamarisk::core::NumStr;

namespace {

using tamarisk::test::PrintTo;

struct Step {
    std::string line;
    std::int64_t position; // ReadPos after the call
};

std::vector<Step> readAll(const std::string& bytes) {
    const LineReader reader(bytes);
    std::vector<Step> steps;
    std::int64_t ReadPos = 1;
    while (ReadPos >= 1) {
        const std::string_view line = reader.ReadLineAt(ReadPos);
        steps.push_back({std::string(line), ReadPos});
    }
    return steps;
}

std::vector<std::string> linesOf(const std::string& bytes) {
    std::vector<std::string> lines;
    for (const Step& step : readAll(bytes)) {
        if (step.position >= 1)
            lines.push_back(step.line);
    }
    return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReader, EmptyFileEndsAtOnce) {
    const auto steps = readAll("");
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].line, "");
    EXPECT_EQ(steps[0].position, kEndOfFile);
}

TEST(LineReader, PositionsAdvanceByBytesAndTerminator) {
    const auto steps = readAll("A\r\nB\r\n");
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].line, "A");
    EXPECT_EQ(steps[0].position, 4);
    EXPECT_EQ(steps[1].line, "B");
    EXPECT_EQ(steps[1].position, 7);
    EXPECT_EQ(steps[2].position, kEndOfFile);
}

TEST(LineReader, LastLineWithoutTerminatorIsReturnedOnce) {
    const auto steps = readAll("A\r\nB");
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[1].line, "B");
    EXPECT_EQ(steps[1].position, 6);
    EXPECT_EQ(steps[2].position, kEndOfFile);
}

struct LinesCase {
    const char* name;
    std::string bytes;
    Lines lines;
};

class LineEnds : public testing::TestWithParam<LinesCase> {};

TEST_P(LineEnds, ReadsTheLines) {
    EXPECT_EQ(linesOf(GetParam().bytes), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    LineReader, LineEnds,
    testing::Values(
        LinesCase{"EmptyLinesKept", "\r\n\r\nB", {"", "", "B"}},
        LinesCase{"LfOnly", "A\nB\nC\n", {"A", "B", "C"}},
        LinesCase{"EmptyLineBetweenLfs", "A\n\nB\n", {"A", "", "B"}},
        LinesCase{"CrOnly", "A\rB\rC\r", {"A", "B", "C"}},
        LinesCase{"LfBeforeLaterCr", "A\nB\r\nC", {"A", "B", "C"}},
        LinesCase{"LfCrIsTwoEnds", "A\n\rB", {"A", "", "B"}},
        LinesCase{"StrayLeadByteBeforeCr", "\x81\r\nB\r\n", {"\x81", "B"}},
        LinesCase{"LeadByteBeforeLf", "\xE0\nX", {"\xE0", "X"}},
        LinesCase{"NulInsideALineIsText", std::string("A\0B\r\nC\r\n", 7), {std::string("A\0B", 3), "C"}},
        LinesCase{"NulAfterLastBreakEndsLine", std::string("A\r\nB\0C", 6), {"A", "B", "C"}},
        LinesCase{"NulAtPositionGivesEmptyLine", std::string("A\n\0B", 4), {"A", "", "B"}},
        LinesCase{"TrailingNulsAreNoLine", std::string("A\r\n\0\0\0", 6), {"A"}},
        LinesCase{"OnlyNuls", std::string("\0\0", 2), {}},
        LinesCase{"InvalidBytesKept", "\xFF\xFE\x80\xA0\r\n", {"\xFF\xFE\x80\xA0"}}),
    [](const auto& info) { return info.param.name; });

TEST(LineReader, DoubleByteCharactersCountTwoBytes) {
    // Three double-byte characters (あいう), then half-width katakana (ｱ) counting one byte.
    const auto steps = readAll("\x82\xA0\x82\xA2\x82\xA4\r\n\xB1\r\n");
    EXPECT_EQ(steps[0].line, "\x82\xA0\x82\xA2\x82\xA4");
    EXPECT_EQ(steps[0].position, 9);
    EXPECT_EQ(steps[1].line, "\xB1");
    EXPECT_EQ(steps[1].position, 12);
}

TEST(LineReader, TrailByteThatLooksLikeBackslashIsNotSpecial) {
    // 表 is 0x95 0x5C; the reader must return it whole.
    EXPECT_EQ(linesOf("C:\\\x95\x5C\r\nX"), (Lines{"C:\\\x95\x5C", "X"}));
}

TEST(LineReader, LongLinesAreReadWhole) {
    // Lines of 1023 and more bytes used to end the file; the rest of the queue must not be lost.
    const std::string long1023(1023, 'a');
    const std::string long5000(5000, 'b');
    EXPECT_EQ(linesOf(long1023 + "\r\nX\r\n" + long5000 + "\r\nY"), (Lines{long1023, "X", long5000, "Y"}));
}

TEST(LineReader, CrLfIsOneTerminatorWhereverItFalls) {
    // A CR LF at bytes 1024/1025 used to be read as two line ends.
    const std::string line(1023, 'x');
    const auto steps = readAll(line + "\r\nNext\r\n");
    ASSERT_GE(steps.size(), 2u);
    EXPECT_EQ(steps[0].line, line);
    EXPECT_EQ(steps[0].position, 1 + 1023 + 2);
    EXPECT_EQ(steps[1].line, "Next");
}

TEST(LineReader, ReadsFromAnyPositionAndRereadsTheSameLine) {
    const LineReader reader("one\r\ntwo\r\nthree\r\n");
    std::int64_t ReadPos = 6;
    EXPECT_EQ(reader.ReadLineAt(ReadPos), "two");
    ReadPos = 6;
    EXPECT_EQ(reader.ReadLineAt(ReadPos), "two");
    EXPECT_EQ(reader.ReadLineAt(ReadPos), "three");
    ReadPos = 0;
    EXPECT_EQ(reader.ReadLineAt(ReadPos), "");
    EXPECT_EQ(ReadPos, kEndOfFile);
}

TEST(LineReader, OpenReadsAFileAndReportsFailures) {
    tamarisk::test::TempDir dir;
    tamarisk::test::writeFile(dir / "q.wrg", "A\r\nB");
    const LineReader reader = LineReader::open(dir / "q.wrg");
    EXPECT_EQ(reader.bytes(), "A\r\nB");

    try {
        (void)LineReader::open(dir / "missing.wrg");
        FAIL() << "no error for a missing file";
    } catch (const std::exception& error) {
        EXPECT_EQ(std::string(error.what()),
                  "cannot read " + (dir / "missing.wrg").string() + ": No such file or directory");
    }
    std::filesystem::create_directory(dir / "folder.wrg");
    EXPECT_THROW((void)LineReader::open(dir / "folder.wrg"), std::exception);
    EXPECT_THROW((void)LineReader::open(dir / "q.wrg" / "below.wrg"), std::exception);

    // A reader moved elsewhere still reads the file's bytes; an empty file has none.
    LineReader moved(std::string("x"));
    moved = LineReader::open(dir / "q.wrg");
    std::int64_t ReadPos = 1;
    EXPECT_EQ(moved.ReadLineAt(ReadPos), "A");
    EXPECT_EQ(moved.ReadLineAt(ReadPos), "B");
    tamarisk::test::writeFile(dir / "empty.wrg", "");
    EXPECT_EQ(LineReader::open(dir / "empty.wrg").bytes(), "");
}

// The stretch of CR LF lines that may be copied whole ends exactly where reading line by line first meets
// a line not ended by CR LF, a line that begins with one of the stopping beginnings (past those it is to pass
// over), or a line that does not end before the bound; and the search for a line by its beginning finds the
// line that reading line by line finds first: wherever the line ends and beginnings fall against the 16-byte
// blocks of the scans.
TEST(LineReader, CrLfStretchEndsWhereTheFirstOtherLineEndIs) {
    std::uint32_t seed = 1;
    const auto next = [&seed](std::uint32_t bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % bound;
    };
    for (int round = 0; round < 400; ++round) {
        std::string bytes;
        const std::uint32_t length = next(80);
        for (std::uint32_t i = 0; i < length; ++i) {
            const std::uint32_t r = next(round % 2 == 0 ? 40 : 6);
            const char* const pieces[] = {"\n", "\r", "\0", "\r\n", "x", "St", "Ur", "S", "U"};
            bytes += r < 3 ? std::string(pieces[r], 1) : std::string(pieces[r < 8 ? 3 : 4 + r % 5]);
        }
        const LineReader reader(bytes);
        for (std::size_t from = 0; from <= bytes.size(); ++from) {
            const std::size_t upTo = from + next(48);
            for (const std::string_view beginnings : {std::string_view(), std::string_view("StUr")}) {
                const LineStops stops(beginnings);
                std::size_t expected = from;
                for (std::int64_t ReadPos = static_cast<std::int64_t>(from) + 1;;) {
                    const std::int64_t start = ReadPos - 1;
                    const std::string_view line = reader.ReadLineAt(ReadPos);
                    const auto end = static_cast<std::size_t>(start) + line.size();
                    if (ReadPos < 1 || static_cast<std::size_t>(ReadPos - 1) != end + 2 ||
                        bytes[end] != '\r' || end + 2 > upTo ||
                        (!beginnings.empty() && (line.starts_with("St") || line.starts_with("Ur"))))
                        break;
                    expected = end + 2;
                }
                ASSERT_EQ(reader.crlfLinesEnd(from, upTo, stops), expected)
                    << testing::PrintToString(bytes) << " from " << from << " up to " << upTo << " stops "
                    << beginnings;
            }
            // Passing over up to max stopping lines: they are given in order, and the stretch goes on
            // after them. Odd rounds add stops that never occur, with more first bytes than the block scan
            // looks for at once, so that the bytes are looked at one by one.
            const LineStops stops(round % 2 == 0 ? "StUr" : "StUrQaWbZc");
            const std::size_t max = next(4);
            const std::size_t bound = round % 2 == 0 ? upTo : std::string_view::npos;
            std::vector<LineSpan> expectedStops;
            std::size_t expected = from;
            for (std::int64_t ReadPos = static_cast<std::int64_t>(from) + 1;;) {
                const std::int64_t start = ReadPos - 1;
                const std::string_view line = reader.ReadLineAt(ReadPos);
                const auto end = static_cast<std::size_t>(start) + line.size();
                if (ReadPos < 1 || static_cast<std::size_t>(ReadPos - 1) != end + 2 || bytes[end] != '\r' ||
                    end + 2 > bound)
                    break;
                if (line.starts_with("St") || line.starts_with("Ur")) {
                    if (expectedStops.size() == max)
                        break;
                    expectedStops.push_back({static_cast<std::size_t>(start), end, end + 2});
                }
                expected = end + 2;
            }
            std::vector<LineSpan> found(max);
            std::size_t count = 0;
            ASSERT_EQ(reader.crlfLinesEnd(from, bound, stops, found.data(), max, count), expected)
                << testing::PrintToString(bytes) << " from " << from << " up to " << bound << " max " << max;
            ASSERT_EQ(count, expectedStops.size()) << testing::PrintToString(bytes) << " from " << from;
            for (std::size_t k = 0; k < count; ++k) {
                ASSERT_TRUE(found[k].start == expectedStops[k].start &&
                            found[k].end == expectedStops[k].end && found[k].next == expectedStops[k].next)
                    << testing::PrintToString(bytes) << " from " << from << " stop " << k;
            }
            for (const std::string_view prefix : {"St", "U"}) {
                std::int64_t found = kEndOfFile;
                for (std::int64_t ReadPos = static_cast<std::int64_t>(from) + 1; ReadPos >= 1;) {
                    const std::int64_t start = ReadPos;
                    if (reader.ReadLineAt(ReadPos).starts_with(prefix) && ReadPos >= 1) {
                        found = start;
                        break;
                    }
                }
                ASSERT_EQ(reader.findLineStart(static_cast<std::int64_t>(from) + 1, prefix), found)
                    << testing::PrintToString(bytes) << " from " << from << " prefix " << prefix;
            }
        }
    }
}

TEST(TextHelpers, NumStrByteLenCharPos) {
    EXPECT_EQ(NumStr(0), "0");
    EXPECT_EQ(NumStr(7), "7");
    EXPECT_EQ(NumStr(-3), "-3");
    EXPECT_EQ(ByteLen(""), 0u);
    EXPECT_EQ(ByteLen("ab"), 2u);
    EXPECT_EQ(ByteLen("\x82\xA0"
                      "b"),
              3u);
    EXPECT_EQ(CharPos("abc", 0), 0u);
    EXPECT_EQ(CharPos(std::string("\0ab", 3), 0), 1u);
    EXPECT_EQ(CharPos(std::string("\x82\xA0\0", 3), 0), 2u);
    // A double-byte character's code is its two bytes as a signed 16-bit number.
    EXPECT_EQ(CharPos("a\x82\xA0", static_cast<std::int16_t>(0x82A0)), 2u);
}

} // namespace

namespace {

TEST(LineReader, MovedReaderKeepsItsBytes) {
    // A short text lives inside the string object, so a move must not leave the view behind.
    LineReader first(std::string("ab\r\ncd"));
    LineReader second(std::move(first));
    LineReader third(std::string("x"));
    third = std::move(second);
    std::int64_t ReadPos = 1;
    EXPECT_EQ(third.ReadLineAt(ReadPos), "ab");
    EXPECT_EQ(third.ReadLineAt(ReadPos), "cd");
}

} // namespace

#include "core/atomicfile.h"

namespace {

// Small appends are copied, large lasting ones are written from where they are; whatever the mix and
// however many pieces, the file holds the bytes in the order given.
TEST(AtomicOutput, GathersCopiedAndLastingPiecesInOrder) {
    tamarisk::test::TempDir dir;
    std::string lasting;
    for (int i = 0; i < 3000; ++i)
        lasting += std::string(4096 + i % 7, static_cast<char>('a' + i % 26));
    lasting += std::string(3 << 20, 'z');
    std::string expected;
    {
        tamarisk::core::AtomicOutput out(dir / "out.wr2");
        std::size_t at = 0;
        for (int i = 0; at < lasting.size(); ++i) {
            const std::string small = "line " + std::to_string(i) + "\r\n";
            out.append(small);
            expected += small;
            const std::size_t size =
                std::min<std::size_t>(lasting.size() - at, i % 5 == 0 ? 100 : 4096 + i % 7);
            out.appendLasting(std::string_view(lasting).substr(at, size));
            expected += lasting.substr(at, size);
            at += size;
        }
        const std::string large(3 << 20, 'q');
        out.append(large);
        expected += large;
        out.commit();
    }
    EXPECT_EQ(tamarisk::test::readFile(dir / "out.wr2"), expected);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"out.wr2"});
}

} // namespace

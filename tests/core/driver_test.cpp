#include "core/driver.h"

#include "core/addressfeed.h"
#include "core/errors.h"
#include "core/queueformat.h"
#include "support/conversion.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <thread>

using namespace tamarisk::core;
using tamarisk::test::convertText;
using tamarisk::test::crlf;
using tamarisk::test::readFile;
using tamarisk::test::TempDir;
using tamarisk::test::writeFile;

namespace {

using tamarisk::test::PrintTo;

State withOption(int index) {
    State state;
    state.options.OptCheckBoxes[static_cast<std::size_t>(index)] = 1;
    return state;
}

// Records what the driver asked of the window.
class RecordingHooks : public ConversionHooks {
public:
    void beginBusy() override { calls.push_back("busy"); }
    void endBusy() override { calls.push_back("idle"); }
    std::vector<std::string> calls;
};

TEST(PlainPass, CopiesEveryLineWithCrLf) {
    State state;
    EXPECT_EQ(convertText(state, "H\nInfo=\rStoreIn=x\r\n\r\nUrl=http://a.b.c/d"),
              crlf({"H", "Info=", "StoreIn=x", "", "Url=http://a.b.c/d"}));
    // A toggle that is disabled (2) counts as off.
    state.options.OptCheckBoxes[kOptReferer] = 2;
    EXPECT_EQ(convertText(state, "Referer=1\r\n"), crlf({"Referer=1"}));
}

TEST(RefererPass, AddsRefererLinesBeforeTheAddress) {
    State state = withOption(kOptReferer);
    EXPECT_EQ(convertText(state, crlf({"Info=", "StoreIn=C:\\x\\", "Url=http://a.b.c/f.zip"})),
              crlf({"Info=", "StoreIn=C:\\x\\", "Referer=2", "RefererStr=http://a.b.c/f.zip",
                    "Url=http://a.b.c/f.zip"}));
}

TEST(RefererPass, RewritesHeldLinesAndMovesAdvancedAhead) {
    State state = withOption(kOptReferer);
    EXPECT_EQ(convertText(state, crlf({"Info=", "Referer=0", "Login=0", "RefererStr=http://elsewhere/",
                                       "Advanced=0", "Url=http://a.b.c/f.zip", "_IsOk=0"})),
              crlf({"Info=", "Advanced=1", "Referer=2", "Login=0", "RefererStr=http://a.b.c/f.zip",
                    "Url=http://a.b.c/f.zip", "_IsOk=0"}));
}

TEST(RefererPass, RecognisesPrefixesExactly) {
    State state = withOption(kOptReferer);
    // "Referer" without "=" and "referer=" are ordinary lines; "URL=" is not an address line.
    EXPECT_EQ(convertText(state, crlf({"Referer", "referer=1", "URL=x", "Url=A"})),
              crlf({"Referer", "referer=1", "URL=x", "Referer=2", "RefererStr=A", "Url=A"}));
}

TEST(RefererPass, AddressBeforeAnyEntryGetsItsLinesToo) {
    State state = withOption(kOptReferer);
    EXPECT_EQ(convertText(state, crlf({"Url=A", "Info="})),
              crlf({"Referer=2", "RefererStr=A", "Url=A", "Info="}));
}

TEST(RefererPass, NeverDropsLinesHeldWhenTheFileEnds) {
    State state = withOption(kOptReferer);
    EXPECT_EQ(convertText(state, crlf({"Info=", "RefererStr=x", "Login=0", ";c"})),
              crlf({"Info=", "RefererStr=x", "Login=0", ";c"}));
    EXPECT_EQ(convertText(state, crlf({"Info=", "Referer=7", "foo"})), crlf({"Info=", "Referer=7", "foo"}));
    // More than 255 lines between a referer line and the address are all kept, in order.
    std::string queue = "Info=\r\nReferer=1\r\n";
    std::string expected = "Info=\r\n";
    for (int i = 0; i < 600; ++i) {
        queue += "L" + std::to_string(i) + "\r\n";
    }
    queue += "Url=A\r\n";
    expected += "Referer=2\r\n";
    for (int i = 0; i < 600; ++i)
        expected += "L" + std::to_string(i) + "\r\n";
    expected += "RefererStr=A\r\nUrl=A\r\n";
    EXPECT_EQ(convertText(state, queue), expected);
}

// The shuffle as the old program did it: draw r, take the r-th remaining entry, shift the rest down.
std::vector<std::size_t> referenceOrder(std::size_t count, std::uint32_t seed) {
    Random random(seed);
    std::vector<std::size_t> remaining(count);
    for (std::size_t i = 0; i < count; ++i)
        remaining[i] = i;
    std::vector<std::size_t> order;
    for (std::size_t n = count; n >= 1; --n) {
        const auto r = static_cast<std::size_t>(random.next() * static_cast<double>(n));
        order.push_back(remaining[r]);
        remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(r));
    }
    return order;
}

// Takes its time over the first bytes, so that the thread drawing a shuffle's order is done first and
// takes the writing over; counts the bytes that came from other threads than the caller's, or fails there.
class HandedOverSink final : public ByteSink {
public:
    explicit HandedOverSink(bool failElsewhere) : m_failElsewhere(failElsewhere) {}
    void appendLasting(std::string_view bytes) override { take(bytes); }

    std::string text;
    std::size_t elsewhere = 0;

private:
    void overflow(std::string_view bytes) override { take(bytes); }
    void take(std::string_view bytes) {
        if (std::this_thread::get_id() != m_caller) {
            if (m_failElsewhere)
                throw IoError("cannot write q.wrs: No space left on device");
            elsewhere += bytes.size();
        } else if (text.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        text += bytes;
    }

    const std::thread::id m_caller = std::this_thread::get_id();
    const bool m_failElsewhere;
};

TEST(Shuffle, TakesTheDrawnRemainingEntryLikeTheOldProgram) {
    const std::size_t count = 40000; // beyond the old 30000-entry table
    const std::string path = "/" + std::string(60, 'p') + "/";
    std::string queue = "Header\r\n";
    for (std::size_t i = 0; i < count; ++i)
        queue += "Info=" + std::to_string(i) + "\r\nUrl=u" + path + std::to_string(i) + "\r\n";
    std::string expected;
    for (const std::size_t i : referenceOrder(count, 12345))
        expected += "\r\nInfo=" + std::to_string(i) + "\r\nUrl=u" + path + std::to_string(i) + "\r\n";
    // Printing two texts of megabytes each on a failure would take longer than the test: only where they
    // part is shown.
    const auto expectSame = [&expected](const std::string& shuffled) {
        const auto [got, want] =
            std::mismatch(shuffled.begin(), shuffled.end(), expected.begin(), expected.end());
        const auto at = static_cast<std::size_t>(got - shuffled.begin());
        EXPECT_TRUE(got == shuffled.end() && want == expected.end())
            << "they part at byte " << at << ": \"" << shuffled.substr(at, 40) << "\" instead of \""
            << expected.substr(at, 40) << "\"";
    };
    Random random(12345);
    expectSame(shuffleEntries(LineReader(queue), random));

    // Once the order is drawn, its thread writes the entries the other gathers, a megabyte at a time: the
    // same text, and a failure to write there reaches the caller.
    HandedOverSink handed(false);
    Random again(12345);
    shuffleEntries(LineReader(queue), again, handed);
    expectSame(handed.text);
    EXPECT_GT(handed.elsewhere, handed.text.size() / 2);
    HandedOverSink failing(true);
    Random third(12345);
    EXPECT_THROW(shuffleEntries(LineReader(queue), third, failing), IoError);
}

TEST(Shuffle, DropsHeaderAndCommentsKeepsEveryOtherLine) {
    Random random(1);
    EXPECT_EQ(shuffleEntries(LineReader(crlf({"Header", ";top", "Info=a", "X=1", ";inside", ""})), random),
              crlf({"", "Info=a", "X=1", ""}));
    EXPECT_EQ(shuffleEntries(LineReader(crlf({"Info=a", ";last"})), random), crlf({"", "Info=a"}));
    EXPECT_EQ(shuffleEntries(LineReader(crlf({"Header", "Url=x"})), random), "");
    EXPECT_EQ(shuffleEntries(LineReader(""), random), "");
    // A text that does not end with a line end, whose last stretch a NUL divides.
    EXPECT_EQ(shuffleEntries(LineReader(std::string("H\r\nInfo=a\nX=1\r\n;c\rY\0Z\0\0", 23)), random),
              crlf({"", "Info=a", "X=1", "Y", "Z"}));
}

// The conversion notes where the entries of its text begin, so that the shuffle need not search for them:
// whichever way a line reaches the text (a stretch copied whole, a line copied or rewritten, a line held
// back by the referer pass), the shuffle gives what searching the text gives.
TEST(Shuffle, EntriesNotedByTheConversionAreTheOnesFound) {
    const std::vector<std::string> queues = {
        crlf({"Header", ";top", "Info=a", "StoreIn=x", ";inside", "Url=http://h.a.b/f.zip", "Info=b",
              ";last"}),
        std::string("H\r\nInfo=a\nX=1\r\n;c\rInfo=b\0Z\0\0", 27),
        crlf({"Info=a", "Referer=1", "Info=b", ";held", "RefererStr=r", "Url=http://h.a.b/", "Info=c"}),
        crlf({"Info=a", "Referer=1", "Info=b"}),
        "Info=a\r\n;Info=b\r\nInfo=c",
    };
    for (const std::string& queue : queues) {
        for (const int options : {0, 1, 2, 3}) {
            State state;
            state.options.OptCheckBoxes[kOptReferer] = options & 1;
            state.options.OptCheckBoxes[kOptSaveFolder] = (options >> 1) & 1;
            state.options.Label_AllDir[1] = "C:\\dl";
            const LineReader reader(queue);
            std::string text;
            StringSink sink(text);
            EntryIndex noted;
            convertQueue(state, reader, sink, false, &noted);
            const LineReader converted(text);
            Random searching(7);
            Random noting(7);
            std::string withNotes;
            StringSink withNotesSink(withNotes);
            shuffleEntries(converted, noting, withNotesSink, &noted);
            EXPECT_EQ(withNotes, shuffleEntries(converted, searching))
                << testing::PrintToString(queue) << " options " << options;
        }
    }
}

// A queue may be converted in two parts at once, the second on another thread that first takes the server
// groups' turns of the first part's lines. Wherever the split is asked for, the parts make the whole
// conversion: the same text, the same entries for the shuffle, and the state as the whole leaves it.
TEST(ConvertInParts, EveryPlaceGivesTheWholeConversion) {
    std::uint32_t seed = 99;
    const auto next = [&seed](std::size_t bound) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<std::size_t>((seed >> 16) % bound);
    };
    const std::vector<std::string> lines = {"Info=e",
                                            "StoreIn=C:\\x\\",
                                            "Referer=1",
                                            "RefererStr=http://r/",
                                            "Advanced=0",
                                            ";c",
                                            "Login=0",
                                            "Url=http://srv3.a.b/p/f.zip",
                                            "Url=http://srv.a.b/q/g.tar.gz",
                                            "Url=http://o.x.y/h",
                                            "Url=nohost",
                                            ""};
    const std::vector<std::string> ends = {"\r\n", "\r\n", "\r\n", "\n", "\r"};
    std::vector<std::string> queues;
    for (int q = 0; q < 60; ++q) {
        std::string text;
        for (std::size_t n = 5 + next(40); n > 0; --n)
            text += lines[next(lines.size())] + ends[next(ends.size())];
        if (next(4) == 0)
            text += std::string("Info=t\0Url=http://srv.a.b/z\0\0Info=u\0", 36);
        queues.push_back(text);
    }
    // A numbered group with an address of its own, so that a draw may take a second draw, and an address
    // change onto the group's hosts.
    State initial;
    initial.ServerCount = 2;
    ServerRec& group = initial.Servers[1];
    group.ServerName = "srv.a.b";
    group.ServerHead = "srv";
    group.ServerDomain = "a.b";
    for (std::int16_t n = 1; n <= 9; ++n)
        group.SNumber[static_cast<std::size_t>(n)] = n;
    group.SNumberCount = 9;
    group.IPList[1] = {"10.0.0.1", -1};
    group.IPCount = 1;
    group.IPUseCount = 1;
    ServerRec& old = initial.Servers[2];
    old.ServerName = "o.x.y";
    old.ServerHead = "o";
    old.ServerDomain = "x.y";
    old.SType = kSTypeU;
    initial.DefServers[0] = {"o.x.y", "http://srv4.a.b/moved/"};
    initial.DefServerCount = 1;
    initial.options.Label_AllDir[1] = "C:\\dl";
    for (const int box : {kOptServerChange, kOptAddressChange, kOptShuffle})
        initial.options.OptCheckBoxes[static_cast<std::size_t>(box)] = 1;
    int splits = 0;
    for (const std::string& queue : queues) {
        const LineReader reader(queue);
        for (const int options : {0, 1, 2, 3}) {
            State whole = initial;
            whole.options.OptCheckBoxes[kOptReferer] = options & 1;
            whole.options.OptCheckBoxes[kOptSaveFolder] = (options >> 1) & 1;
            whole.options.Option_DLDir = 1;
            whole.options.Option_OptMC = options & 1; // random, or in order
            prepareForFile(whole);
            whole.random.seed(3);
            const State before = whole;
            const std::string text = convertQueueText(whole, reader);
            const std::string shuffled = shuffleEntries(LineReader(text), whole.random);
            for (std::size_t lf = queue.find('\n'); lf != std::string::npos; lf = queue.find('\n', lf + 1)) {
                State state = before;
                std::vector<ConvertedPart> parts = convertInParts(state, reader, lf);
                std::string joined;
                for (const ConvertedPart& part : parts)
                    joined += part.text.bytes();
                ASSERT_EQ(joined, text)
                    << testing::PrintToString(queue) << " options " << options << " from " << lf;
                splits += parts.size() == 2 ? 1 : 0;
                EXPECT_EQ(state.Servers[1].SNextPos, whole.Servers[1].SNextPos);
                std::string out;
                StringSink sink(out);
                shuffleEntries(parts, state.random, sink);
                EXPECT_EQ(out, shuffled)
                    << testing::PrintToString(queue) << " options " << options << " from " << lf;
            }
        }
    }
    EXPECT_GT(splits, 1000);
}

// The addresses the second thread works out for the first part reach the first thread in order and whole:
// across the chunks they are kept in, once those are given back and filled again, with lines the rules
// left as they were, an empty result and one larger than a chunk. A writer that stops early lets the
// reader go on.
TEST(AddressFeed, HandsEveryLineOverInOrder) {
    std::vector<std::string> lines;
    std::vector<std::string> results;
    for (int i = 0; i < 60000; ++i) {
        lines.push_back("Url=http://srv" + std::to_string(i % 10) + ".a.b/" + std::to_string(i));
        results.push_back(std::string(static_cast<std::size_t>(i % 7) * 11, static_cast<char>('a' + i % 26)) +
                          std::to_string(i));
    }
    results[777].clear();
    results[31000] = std::string(1 << 20, 'z');
    const auto same = [](std::size_t i) { return i % 3 == 0; };
    for (const std::size_t stop : {lines.size(), lines.size() / 2 + 5}) {
        AddressFeed feed;
        std::jthread writer([&] {
            for (std::size_t i = 0; i < stop; ++i)
                feed.put(lines[i], same(i) ? std::string_view(lines[i]) : std::string_view(results[i]));
            feed.close();
        });
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::string_view got = feed.next(lines[i]);
            const bool asPut = i < stop && !same(i) ? got == results[i] : got.data() == lines[i].data();
            wrong += asPut ? 0 : 1;
        }
        EXPECT_EQ(wrong, 0u) << "writer stopped after " << stop;
    }
}

// Each shuffle hands its order from the thread that draws it to the one that copies the entries: in 1000
// shuffles in a row the MinGW build's std::atomic::wait hung now and then under Wine.
TEST(Shuffle, EverySeedGivesAPermutation) {
    std::string queue;
    for (int i = 0; i < 50; ++i)
        queue += "Info=" + std::to_string(i) + "\r\n";
    std::set<std::string> orders;
    for (std::uint32_t seed = 0; seed < 1000; ++seed) {
        Random random(seed);
        const std::string shuffled = shuffleEntries(LineReader(queue), random);
        std::vector<std::string> lines;
        std::int64_t ReadPos = 1;
        const LineReader reader(shuffled);
        while (ReadPos >= 1) {
            const std::string_view line = reader.ReadLineAt(ReadPos);
            if (ReadPos >= 1 && !line.empty())
                lines.emplace_back(line);
        }
        orders.insert(shuffled);
        std::sort(lines.begin(), lines.end());
        std::vector<std::string> sortedInput;
        for (int i = 0; i < 50; ++i)
            sortedInput.push_back("Info=" + std::to_string(i));
        std::sort(sortedInput.begin(), sortedInput.end());
        EXPECT_EQ(lines, sortedInput);
    }
    EXPECT_GT(orders.size(), 990u);
}

TEST(Random, SameSeedSameDrawsInUnitInterval) {
    Random a(7), b(7);
    for (int i = 0; i < 1000; ++i) {
        const double x = a.next();
        EXPECT_EQ(x, b.next());
        EXPECT_GE(x, 0.0);
        EXPECT_LT(x, 1.0);
    }
    // The draw is the engine's output without its low 8 bits, over 2^24.
    std::mt19937 engine(7);
    Random c(7);
    EXPECT_EQ(c.next(), static_cast<double>(engine() >> 8) / 16777216.0);
}

TEST(ChengeWrg, WritesTheConvertedCopyBesideTheQueue) {
    TempDir dir;
    const std::string queue = "Info=\nUrl=http://a.b.c/x\n";
    writeFile(dir / "Q.WRG", queue);
    State state;
    RecordingHooks hooks;
    const FileResult result = Chenge_Wrg(state, dir / "Q.WRG", hooks);
    EXPECT_EQ(result.outcome, Outcome::Converted) << result.error;
    EXPECT_EQ(readFile(dir / "Q.wr2"), crlf({"Info=", "Url=http://a.b.c/x"}));
    EXPECT_EQ(readFile(dir / "Q.WRG"), queue);
    EXPECT_EQ(result.written, std::vector<std::filesystem::path>{dir / "Q.wr2"});
    EXPECT_EQ(hooks.calls, (std::vector<std::string>{"busy", "idle"}));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"Q.WRG", "Q.wr2"}));
    // A second conversion replaces the copy and leaves nothing else behind.
    writeFile(dir / "Q.WRG", "Info=2\n");
    EXPECT_EQ(Chenge_Wrg(state, dir / "Q.WRG", hooks).outcome, Outcome::Converted);
    EXPECT_EQ(readFile(dir / "Q.wr2"), crlf({"Info=2"}));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"Q.WRG", "Q.wr2"}));
}

TEST(ChengeWrg, ShuffleReplacesTheConvertedCopy) {
    TempDir dir;
    writeFile(dir / "q.wrg", crlf({"Header", "Info=a", ";c", "Url=x"}));
    State state = withOption(kOptShuffle);
    RecordingHooks hooks;
    const FileResult result = Chenge_Wrg(state, dir / "q.wrg", hooks);
    EXPECT_EQ(result.outcome, Outcome::Converted) << result.error;
    EXPECT_EQ(readFile(dir / "q.wrs"), crlf({"", "Info=a", "Url=x"}));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"q.wrg", "q.wrs"}));

    // Every entry gets its referer lines: the converted text outgrows the room first set aside for it.
    std::string queue;
    for (int i = 0; i < 300; ++i)
        queue += "Info=" + std::to_string(i) + "\r\nUrl=http://h.a.b/" + std::to_string(i) + "\r\n";
    writeFile(dir / "q.wrg", queue);
    state.options.OptCheckBoxes[kOptReferer] = 1;
    State reference = state;
    state.random.seed(5);
    reference.random.seed(5);
    ASSERT_EQ(Chenge_Wrg(state, dir / "q.wrg", hooks).outcome, Outcome::Converted);
    const std::string converted = convertQueueText(reference, LineReader(queue));
    ASSERT_GT(converted.size(), 2 * queue.size());
    EXPECT_EQ(readFile(dir / "q.wrs"), shuffleEntries(LineReader(converted), reference.random));

    // A queue of several megabytes is mapped, and its pages are given back behind the conversion a few
    // megabytes at a time: lines held for their entry's address, and the lone LF every thousand entries,
    // come out as the in-memory conversion has them. With the server change on, the second thread ends the
    // first part where the two threads' speeds say, wherever that falls.
    state.options.OptCheckBoxes[kOptServerChange] = 1;
    queue.clear();
    for (int i = 0; i < 150000; ++i) {
        const std::string n = std::to_string(i);
        queue += "Info=" + n + "\r\nReferer=1\r\nLogin=" + n + (i % 1000 == 0 ? "\n" : "\r\n") +
                 "Url=http://h.a.b/" + n + "\r\n";
    }
    writeFile(dir / "q.wrg", queue);
    ASSERT_GT(queue.size(), std::size_t{6} << 20);
    reference = state;
    state.random.seed(9);
    reference.random.seed(9);
    ASSERT_EQ(Chenge_Wrg(state, dir / "q.wrg", hooks).outcome, Outcome::Converted);
    EXPECT_EQ(readFile(dir / "q.wrs"),
              shuffleEntries(LineReader(convertQueueText(reference, LineReader(queue))), reference.random));
    // Each wrs replaced the one before, which is gone whole.
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"q.wrg", "q.wrs"}));
}

TEST(ChengeWrg, OtherFilesAreLeftAloneButTheStateIsReset) {
    TempDir dir;
    writeFile(dir / "notes.wrx", "Url=x\r\n");
    State state;
    state.ServerCount = 2;
    state.Servers[1].SNextPos = 7;
    state.Servers[2].SNextPos = 9;
    state.options.Text_WebjumpName = "zz";
    state.options.Text_Webjump = "300";
    RecordingHooks hooks;
    const FileResult result = Chenge_Wrg(state, dir / "notes.wrx", hooks);
    EXPECT_EQ(result.outcome, Outcome::Ignored);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"notes.wrx"});
    EXPECT_EQ(state.Servers[1].SNextPos, 1);
    EXPECT_EQ(state.Servers[2].SNextPos, 1);
    EXPECT_EQ(state.WebjumpRecs[0].ServerDomain, "webjump.com");
    EXPECT_EQ(state.WebjumpRecs[1].ServerDomain, "zz.webjump.com");
    EXPECT_EQ(state.WebjumpRecs[1].ServerHead, "freehosting");
    EXPECT_EQ(state.options.Text_Webjump, "21");
    EXPECT_EQ(hooks.calls, (std::vector<std::string>{"busy", "idle"}));
}

TEST(ChengeWrg, ReportsFailuresWithTheFileAndTheReason) {
    TempDir dir;
    State state;
    RecordingHooks hooks;

    std::filesystem::create_directory(dir / "folder.wrg");
    FileResult result = Chenge_Wrg(state, dir / "folder.wrg", hooks);
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.error, "cannot read " + (dir / "folder.wrg").string() + ": Is a directory");

    writeFile(dir / "plain", "x");
    result = Chenge_Wrg(state, dir / "plain" / "q.wrg", hooks);
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_THAT(result.error, testing::HasSubstr(tamarisk::test::kNotADirectory));

    result = Chenge_Wrg(state, dir / "missing.wrg", hooks);
    EXPECT_EQ(result.error, "cannot read " + (dir / "missing.wrg").string() + ": No such file or directory");

    // The output's name is taken by a folder: nothing is left behind.
    writeFile(dir / "q.wrg", "Info=\r\n");
    std::filesystem::create_directory(dir / "q.wr2");
    result = Chenge_Wrg(state, dir / "q.wrg", hooks);
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.error, "cannot create " + (dir / "q.wr2").string() + ": Is a directory");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"folder.wrg", "plain", "q.wr2", "q.wrg"}));
    // Busy and idle come in pairs on every path.
    EXPECT_EQ(std::count(hooks.calls.begin(), hooks.calls.end(), "busy"), 4);
    EXPECT_EQ(std::count(hooks.calls.begin(), hooks.calls.end(), "idle"), 4);
}

TEST(ChengeWrg, ConvertedCopyStaysWhenTheShuffledOneFails) {
    TempDir dir;
    writeFile(dir / "q.wrg", "Info=\r\n");
    std::filesystem::create_directory(dir / "q.wrs");
    State state = withOption(kOptShuffle);
    RecordingHooks hooks;
    const FileResult result = Chenge_Wrg(state, dir / "q.wrg", hooks);
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_THAT(result.error, testing::HasSubstr("cannot create " + (dir / "q.wrs").string()));
    EXPECT_EQ(readFile(dir / "q.wr2"), "Info=\r\n");
    EXPECT_EQ(result.written, std::vector<std::filesystem::path>{dir / "q.wr2"});

    // A queue of more than a megabyte is converted in two parts: the wr2 is both, whole.
    std::string queue;
    for (int i = 0; i < 40000; ++i)
        queue +=
            "Info=" + std::to_string(i) + "\r\nReferer=1\r\nUrl=http://h.a.b/" + std::to_string(i) + "\r\n";
    ASSERT_GT(queue.size(), std::size_t{1} << 20);
    writeFile(dir / "q.wrg", queue);
    state.options.OptCheckBoxes[kOptReferer] = 1;
    State reference = state;
    EXPECT_EQ(Chenge_Wrg(state, dir / "q.wrg", hooks).outcome, Outcome::Failed);
    const std::string written = readFile(dir / "q.wr2");
    const std::string whole = convertQueueText(reference, LineReader(queue));
    EXPECT_EQ(written.size(), whole.size());
    EXPECT_TRUE(written == whole);
}

TEST(ConvertFiles, ConvertsInOrderEachBusyOnItsOwn) {
    TempDir dir;
    writeFile(dir / "a.wrg", "A\r\n");
    writeFile(dir / "b.wrg", "B\r\n");
    State state;
    RecordingHooks hooks;
    const auto results = convertFiles(state, {dir / "b.wrg", dir / "a.wrg"}, hooks);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].input, dir / "b.wrg");
    EXPECT_EQ(results[1].input, dir / "a.wrg");
    EXPECT_EQ(hooks.calls, (std::vector<std::string>{"busy", "idle", "busy", "idle"}));
    EXPECT_EQ(readFile(dir / "a.wr2"), "A\r\n");
    EXPECT_EQ(readFile(dir / "b.wr2"), "B\r\n");
}

struct CommandLineCase {
    const char* name;
    std::string commandLine;
    std::vector<std::string> paths;
};

class CommandLineSplit : public testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineSplit, FindsThePathsAtTheirDriveLetters) {
    EXPECT_EQ(splitCommandLine(GetParam().commandLine), GetParam().paths);
}

INSTANTIATE_TEST_SUITE_P(
    Driver, CommandLineSplit,
    testing::Values(CommandLineCase{"Two", "C:\\a.wrg C:\\my dir\\b.wrg", {"C:\\a.wrg", "C:\\my dir\\b.wrg"}},
                    CommandLineCase{"One", "D:\\q.wrg", {"D:\\q.wrg"}},
                    CommandLineCase{"Three", "C:\\a D:\\b E:\\c", {"C:\\a", "D:\\b", "E:\\c"}},
                    CommandLineCase{"NoColon", "a.wrg b.wrg", {}},
                    CommandLineCase{"ColonFirst", ":\\a.wrg", {}}, CommandLineCase{"Empty", "", {}},
                    CommandLineCase{"JapaneseFolder",
                                    "C:\\\x95\x5C\\q.wrg C:\\r.wrg",
                                    {"C:\\\x95\x5C\\q.wrg", "C:\\r.wrg"}},
                    CommandLineCase{"AdjacentColons", "C::x", {"::x"}}),
    [](const auto& info) { return info.param.name; });

} // namespace

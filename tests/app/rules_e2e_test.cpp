// The rewrite rules through the built program: save folders, the folder made from the file name, the
// address change with a relocation file, the Webjump forms and the server assignment with server groups
// from a settings file. Every test keeps its files in its own temporary folder and compares the converted
// file byte for byte.

#include "support/testutil.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace tamarisk::test {
namespace {

const std::string kProgram = TAMARISK_BINARY;

// CP932 bytes of the Japanese texts used below.
const std::string kHyo = "\x95\x5c";                                              // 表
const std::string kDownload = "\x83\x5f\x83\x45\x83\x93\x83\x8d\x81\x5b\x83\x68"; // ダウンロード
const std::string kQueueComment = "; \x82\xbd\x82\xdc\x82\xe8\x82\xb7\x82\xad";   // ; たまりすく
const std::string kSongName = "\x83\x56\x83\x93\x83\x4f\x83\x8b";                 // シングル
const std::string kSongFolder = "\x83\x56";                                       // シ

// A folder with a settings file, queue files and whatever else a test writes.
class Workspace {
public:
    std::filesystem::path path(const std::string& name) const { return m_dir / name; }

    void write(const std::string& name, const std::string& bytes) const { writeFile(path(name), bytes); }
    std::string read(const std::string& name) const { return readFile(path(name)); }

    /// Runs the program on the named files with the workspace's settings file.
    RunResult run(std::vector<std::string> flags, const std::vector<std::string>& files) const {
        flags.insert(flags.begin(), "--settings=" + path("tamcfg.dat").string());
        for (const auto& file : files)
            flags.push_back(path(file).string());
        return test::run(kProgram, flags);
    }

    /// Converts q.wrg and returns q.wr2.
    std::string convert(const std::vector<std::string>& flags) const {
        const RunResult result = run(flags, {"q.wrg"});
        EXPECT_EQ(result.status, 0) << result.err;
        return read("q.wr2");
    }

private:
    TempDir m_dir;
};

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string repeatedQueue(const std::string& urlLine, int entries) {
    std::string text;
    for (int i = 0; i < entries; ++i)
        text += crlf({"Info=", "StoreIn=", urlLine});
    return text;
}

std::vector<std::string> urlLines(const std::string& converted) {
    std::vector<std::string> urls;
    for (const std::string& line : splitLines(converted)) {
        if (line.starts_with("Url="))
            urls.push_back(line);
    }
    return urls;
}

// ---------------------------------------------------------------------------------------------------
// Save folder

TEST(SaveFolderRun, SetsEveryFolderAndAppendsTheFolderMadeFromTheFileName) {
    Workspace ws;
    const std::string queue = crlf(
        {"[Reget Deluxe queue]", kQueueComment, "Version=3", "Info=one", "StoreIn=C:\\" + kDownload + "\\",
         "SaveAs=", "Referer=1", "Url=http://srv1.example.jp/photos/summer01.zip", "_IsOk=0", "Info=two",
         "StoreIn=D:\\music\\", "Url=http://files.example.com/pub/" + kSongName + ".mp3", "Info=three",
         "StoreIn=C:\\docs\\", "Url=http://dl.example.net/manual/readme", "Info=four", "StoreIn=C:\\docs\\",
         "Url=http://dl.example.net/manual/ab.txt"});
    ws.write("q.wrg", queue);
    const std::string converted = ws.convert({"--save-folder", "--folder=C:\\dl", "--folder-from-name"});
    EXPECT_EQ(
        converted,
        crlf({"[Reget Deluxe queue]", kQueueComment, "Version=3", "Info=one", "StoreIn=C:\\dl\\summe",
              "SaveAs=", "Referer=1", "Url=http://srv1.example.jp/photos/summer01.zip", "_IsOk=0", "Info=two",
              "StoreIn=C:\\dl\\" + kSongFolder, "Url=http://files.example.com/pub/" + kSongName + ".mp3",
              "Info=three", "StoreIn=C:\\dl\\", "Url=http://dl.example.net/manual/readme", "Info=four",
              "StoreIn=C:\\dl\\ab.", "Url=http://dl.example.net/manual/ab.txt"}));
    EXPECT_EQ(ws.read("q.wrg"), queue);
}

TEST(SaveFolderRun, AddressBeforeFolderTakesTheNextEntrysName) {
    Workspace ws;
    ws.write("q.wrg", crlf({"Info=", "Url=http://h.example/setup12.exe",
                            "StoreIn=", "Info=", "Url=http://h.example/abcd.zip", "StoreIn="}));
    EXPECT_EQ(ws.convert({"--save-folder", "--folder=C:\\dl\\", "--folder-from-name"}),
              crlf({"Info=", "Url=http://h.example/setup12.exe", "StoreIn=C:\\dl\\a",
                    "Info=", "Url=http://h.example/abcd.zip", "StoreIn=C:\\dl\\"}));
}

TEST(SaveFolderRun, AJapaneseFolderGivenInUtf8IsWrittenInCp932) {
    Workspace ws;
    ws.write("q.wrg", crlf({"Info=", "StoreIn=C:\\old\\", "Url=http://h.example/f.zip"}));
    // ダウンロード\表 in UTF-8: the folder ends in 表, whose second byte is "\", and still gets its "\".
    const std::string folder =
        "D:\\\xe3\x83\x80\xe3\x82\xa6\xe3\x83\xb3\xe3\x83\xad\xe3\x83\xbc\xe3\x83\x89\\\xe8\xa1\xa8";
    EXPECT_EQ(ws.convert({"--save-folder", "--folder=" + folder}),
              crlf({"Info=", "StoreIn=D:\\" + kDownload + "\\" + kHyo + "\\", "Url=http://h.example/f.zip"}));
}

TEST(SaveFolderRun, TheFolderComesFromTheSettingsFile) {
    Workspace ws;
    ws.write("tamcfg.dat", crlf({"FSPATH:E:\\" + kDownload, "CHKB3:1"}));
    ws.write("q.wrg", crlf({"Info=", "StoreIn=C:\\old\\", "Url=http://h.example/f.zip"}));
    EXPECT_EQ(ws.convert({}),
              crlf({"Info=", "StoreIn=E:\\" + kDownload + "\\", "Url=http://h.example/f.zip"}));
}

// ---------------------------------------------------------------------------------------------------
// Address change

// The example of docs/rules.md: two server groups with their key types and a relocation file.
TEST(AddressChangeRun, MovesAddressesByTheRelocationFile) {
    Workspace ws;
    ws.write("tamcfg.dat",
             crlf({"SERVER:files.oldhost.example", "STYPE:U", "SERVER:www.geo.example", "STYPE:F"}));
    ws.write("moves.txt", crlf({"http://files.oldhost.example/,http://dl.newhost.example/archive/",
                                "http://www.geo.example/tokyo/,http://tokyo.geo.example"}));
    ws.write("q.wrg", crlf({"Info=", "Url=http://files.oldhost.example/music/song.mp3",
                            "Info=", "Url=http://www2.geo.example/tokyo/1234/photo.jpg",
                            "Info=", "Url=http://www.geo.example/osaka/99/photo.jpg",
                            "Info=", "Url=http://other.example.org/x.zip"}));
    EXPECT_EQ(ws.convert({"--address-change", "--relocation-file=" + ws.path("moves.txt").string()}),
              crlf({"Info=", "Url=http://dl.newhost.example/archive/music/song.mp3",
                    "Info=", "Url=http://tokyo.geo.example/1234/photo.jpg",
                    "Info=", "Url=http://www.geo.example/osaka/99/photo.jpg",
                    "Info=", "Url=http://other.example.org/x.zip"}));
}

// ---------------------------------------------------------------------------------------------------
// Webjump forms

TEST(WebjumpRun, TurnsWebjumpAddressesIntoTheFreehostingForms) {
    Workspace ws;
    ws.write("q.wrg", crlf({"Info=", "Url=http://abc.webjump.com/p/f.zip",
                            "Info=", "Url=http://freehosting7.at.webjump.com/p/f.zip",
                            "Info=", "Url=http://ab.cd.webjump.com/p/f.zip",
                            "Info=", "Url=http://www.example.com/f.zip"}));
    EXPECT_EQ(ws.convert({"--webjump", "--webjump-number=21", "--webjump-name=at"}),
              crlf({"Info=", "Url=http://freehosting21.at.webjump.com/ab/abc-webjump/p/f.zip",
                    "Info=", "Url=http://freehosting21.at.webjump.com/p/f.zip",
                    "Info=", "Url=http://freehosting21.at.webjump.com/ab/ab-cd/p/f.zip",
                    "Info=", "Url=http://www.example.com/f.zip"}));
}

TEST(WebjumpRun, AnEmptyNumberGivesThePlainHeadLabel) {
    Workspace ws;
    ws.write("q.wrg", crlf({"Info=", "Url=http://x.webjump.com/p"}));
    EXPECT_EQ(ws.convert({"--webjump", "--webjump-number=", "--webjump-name=bb"}),
              crlf({"Info=", "Url=http://freehosting.bb.webjump.com/x/x-webjump/p"}));
}

TEST(WebjumpRun, OptionsComeFromTheSettingsFile) {
    Workspace ws;
    ws.write("tamcfg.dat", crlf({"WEJNUM:9", "WEJNAM:zz", "CHKB2:1"}));
    ws.write("q.wrg", crlf({"Info=", "Url=http://abc.webjump.com/p"}));
    EXPECT_EQ(ws.convert({}), crlf({"Info=", "Url=http://freehosting9.zz.webjump.com/ab/abc-webjump/p"}));
    // A number the settings file gives outside 1..255 becomes 21 before the file is converted.
    for (const char* number : {"WEJNUM:0", "WEJNUM:-5"}) {
        ws.write("tamcfg.dat", crlf({number, "WEJNAM:zz", "CHKB2:1"}));
        EXPECT_EQ(ws.convert({}), crlf({"Info=", "Url=http://freehosting21.zz.webjump.com/ab/abc-webjump/p"}))
            << number;
    }
}

// ---------------------------------------------------------------------------------------------------
// Server assignment

// One group: numbers 1, 3 and 5 (2 and 4 taken out) and one address.
const std::string kServerSettings =
    crlf({"SERVER:srv.example.com", "SNUMBER:1-5", "SNOUSE:2, 4", "IP:mirror.example.net"});

TEST(ServerChangeRun, InOrderRunsOverNumbersAndAddressesAndStartsAgainForEveryFile) {
    Workspace ws;
    ws.write("tamcfg.dat", kServerSettings);
    const std::string queue = repeatedQueue("Url=http://srv2.example.com/d/f.zip", 5);
    ws.write("a.wrg", queue);
    ws.write("b.wrg", queue);
    const RunResult result = ws.run({"--server-change", "--assign=in-order"}, {"a.wrg", "b.wrg"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<std::string> expected = {
        "Url=http://srv1.example.com/d/f.zip", "Url=http://srv3.example.com/d/f.zip",
        "Url=http://srv5.example.com/d/f.zip", "Url=http://mirror.example.net/d/f.zip",
        "Url=http://srv1.example.com/d/f.zip"};
    EXPECT_EQ(urlLines(ws.read("a.wr2")), expected);
    EXPECT_EQ(urlLines(ws.read("b.wr2")), expected);
}

TEST(ServerChangeRun, NoneGivesThePlainHostAndTakesAddressesIntoTheGroup) {
    Workspace ws;
    ws.write("tamcfg.dat", kServerSettings);
    ws.write("q.wrg", crlf({"Info=", "Url=http://srv3.example.com/d/f.zip",
                            "Info=", "Url=http://mirror.example.net/d/g.zip",
                            "Info=", "Url=http://srv3.example.org/d/h.zip"}));
    EXPECT_EQ(
        urlLines(ws.convert({"--server-change", "--assign=none"})),
        (std::vector<std::string>{"Url=http://srv.example.com/d/f.zip", "Url=http://srv.example.com/d/g.zip",
                                  "Url=http://srv3.example.org/d/h.zip"}));
}

TEST(ServerChangeRun, RandomChoosesAmongTheGroupsHostsAndASeedRepeatsTheFile) {
    Workspace ws;
    ws.write("tamcfg.dat", kServerSettings);
    ws.write("q.wrg", repeatedQueue("Url=http://srv2.example.com/d/f.zip", 200));
    const std::string first = ws.convert({"--server-change", "--assign=random", "--seed=42"});
    const std::string second = ws.convert({"--server-change", "--assign=random", "--seed=42"});
    EXPECT_EQ(first, second);
    std::set<std::string> seen;
    for (const std::string& line : urlLines(first))
        seen.insert(line);
    EXPECT_EQ(seen, (std::set<std::string>{
                        "Url=http://srv1.example.com/d/f.zip", "Url=http://srv3.example.com/d/f.zip",
                        "Url=http://srv5.example.com/d/f.zip", "Url=http://mirror.example.net/d/f.zip"}));
}

TEST(ServerChangeRun, AFixedNumberIsWrittenEvenWhenItIsNotListed) {
    Workspace ws;
    ws.write("tamcfg.dat", kServerSettings + crlf({"SKIMEUCHI:4"}));
    ws.write("q.wrg", repeatedQueue("Url=http://srv1.example.com/f.zip", 3));
    EXPECT_EQ(urlLines(ws.convert({"--server-change", "--assign=random"})),
              std::vector<std::string>(3, "Url=http://srv4.example.com/f.zip"));
}

TEST(ServerChangeRun, TripodSevenAHostsInOrder) {
    Workspace ws;
    ws.write("tamcfg.dat", crlf({"SERVER:members.tripod.com", "IP:a1.example.com"}));
    ws.write("q.wrg", repeatedQueue("Url=http://members.tripod.com/~me/f.zip", 8));
    const auto tag = [](const std::string& label) {
        return "Url=http://members" + label + ".tripod.com/~me/f.zip";
    };
    EXPECT_EQ(urlLines(ws.convert({"--server-change", "--members7a", "--assign=in-order"})),
              (std::vector<std::string>{tag("7a-1"), tag("7a-2"), tag("7a-3"), tag("7a-4"), tag("7a-5"),
                                        "Url=http://a1.example.com/~me/f.zip", tag("7a"), tag("7a-1")}));
}

TEST(ServerChangeRun, OptionsComeFromTheSettingsFile) {
    Workspace ws;
    ws.write("tamcfg.dat",
             crlf({"CHKB1:1", "CHK7A:1", "SERVER:members.tripod.com", "IP:a1.example.com", "SKIMEUCHI:3"}));
    ws.write("q.wrg", repeatedQueue("Url=http://members.tripod.com/~me/f.zip", 2));
    EXPECT_EQ(urlLines(ws.convert({"--seed=1"})),
              std::vector<std::string>(2, "Url=http://members7a-3.tripod.com/~me/f.zip"));
}

// ---------------------------------------------------------------------------------------------------
// Every option at once

// FNV-1a, 64 bits: a digest small enough to write here, for outputs too large to spell out.
std::string digest(const std::string& bytes) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// A queue with every kind of line the rules treat differently: entries of 6 to 12 lines with CR LF, LF
// and lone CR line ends, comments, entries without an address, "StoreIn=" after "Url=", addresses of
// every server group, Webjump forms, addresses without "//" or without a dotted host, Japanese and
// dotless file names, a long line, and a last stretch with NUL bytes.
std::string generatedQueue(int entries) {
    std::uint32_t seed = 12345;
    const auto next = [&seed](std::uint32_t bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % bound;
    };
    const auto end = [&next] {
        const std::uint32_t r = next(20);
        return r == 0 ? std::string("\n") : r == 1 ? std::string("\r") : std::string("\r\n");
    };
    const std::vector<std::string> hosts = {"srv3.dl.example.jp",
                                            "srv1.dl.example.jp",
                                            "10.0.0.2",
                                            "members.tripod.com",
                                            "user7.webjump.com",
                                            "ab.cd.webjump.com",
                                            "freehosting3.at.webjump.com",
                                            "www2.geo.example",
                                            "srv2.fixed.example",
                                            "other.example.org",
                                            "nodot",
                                            "srv4.dl.example.jp"};
    const std::vector<std::string> names = {"summer", kSongName, "ab", "readme", "abc", kDownload + kHyo};
    std::string text = "[Reget Deluxe queue]\r\n" + kQueueComment + "\r\nVersion=3\r\n";
    for (int i = 0; i < entries; ++i) {
        const std::string n = std::to_string(i);
        std::string url = "Url=";
        switch (next(12)) {
        case 0:
            url += "ftp:/" + hosts[next(12)] + "/p" + n;
            break;
        case 1:
            url += "http://" + hosts[next(12)] + "/";
            break;
        default:
            url += "http://" + hosts[next(12)] + "/p" + std::to_string(next(4)) + "/" +
                   (next(7) == 0 ? "tokyo/" + std::to_string(next(50)) + "/" : "") + names[next(6)] + n +
                   (next(5) == 0   ? ""
                    : next(3) == 0 ? ".tar.gz"
                                   : ".zip");
        }
        if (next(200) == 0)
            url += "/" + std::string(3000, 'x');
        const bool urlFirst = next(15) == 0;
        text += "Info=" + kDownload + " " + n + end();
        if (urlFirst)
            text += url + end();
        if (next(10) != 0)
            text += "StoreIn=C:\\" + kDownload + "\\" + kHyo + "\\" + end();
        text += "SaveAs=" + end();
        if (next(3) != 0)
            text += "Referer=1" + end();
        if (next(4) != 0)
            text += "RefererStr=http://www.example.jp/gallery/" + n + ".html" + end();
        if (next(4) == 0)
            text += ";" + kQueueComment + " " + n + end();
        text += "Advanced=0" + end() + "Login=0" + end();
        if (!urlFirst && next(25) != 0)
            text += url + end();
        text += "_IsOk=0" + end();
    }
    text += "Url=http://srv5.dl.example.jp/last.zip";
    text += std::string("\0tail\0\0", 7);
    return text;
}

// Outputs of a fixed queue under fixed seeds, as digests of the files the program wrote before its
// conversion was made faster: every byte of every option's output must stay as it was.
TEST(EveryOptionRun, OutputsAreByteForByteAsBefore) {
    Workspace ws;
    const std::string settings =
        crlf({"SERVER:srv.dl.example.jp", "SNUMBER:1-9", "SNOUSE:4", "IP:10.0.0.1", "IP:10.0.0.2", "STYPE:F",
              "SERVER:members.tripod.com", "IP:a1.example.com", "SERVER:www.geo.example", "STYPE:U",
              "SERVER:srv.fixed.example", "SNUMBER:1-5", "SKIMEUCHI:3", "STYPE:V"});
    ws.write("moves.txt", crlf({"http://srv1.dl.example.jp/p1/,http://srv1.dl.example.jp/moved1",
                                "http://srv1.dl.example.jp/p2/,http://elsewhere.example.net/p2/",
                                "http://www.geo.example/,http://tokyo.geo.example",
                                "http://srv.fixed.example/p3/tokyo/7/,/x"}));
    ws.write("q.wrg", generatedQueue(6000));
    std::string list;
    for (int i = 0; i < 300; ++i)
        list += "http://srv" + std::to_string(i % 9) + ".dl.example.jp/p" + std::to_string(i % 3) + "/f" +
                std::to_string(i) + ".zip " + kHyo + "\r\nnot an address\n";
    ws.write("list.txt", list);

    const std::vector<std::string> every = {"--referer",
                                            "--server-change",
                                            "--members7a",
                                            "--webjump",
                                            "--webjump-number=21",
                                            "--save-folder",
                                            "--folder=C:\\dl",
                                            "--folder-from-name",
                                            "--address-change",
                                            "--relocation-file=" + ws.path("moves.txt").string(),
                                            "--seed=7"};
    const auto with = [&every](std::vector<std::string> more) {
        more.insert(more.begin(), every.begin(), every.end());
        return more;
    };
    struct Case {
        std::vector<std::string> flags;
        std::string file;
        std::string digest;
    };
    const std::vector<Case> cases = {
        {{}, "q.wr2", "89665409b5879e4e"},
        {{"--referer"}, "q.wr2", "1e97adfaf14d3c21"},
        {{"--shuffle", "--seed=3"}, "q.wrs", "9caf9a9b8e79fbfe"},
        {with({"--assign=random"}), "q.wr2", "b5386d4ead89631b"},
        {with({"--assign=in-order"}), "q.wr2", "cf19c470fbd80274"},
        {with({"--assign=none"}), "q.wr2", "2a85fcf5af279e5a"},
        {with({"--shuffle"}), "q.wrs", "a3af052ab1464723"},
    };
    for (const Case& c : cases) {
        ws.write("tamcfg.dat", settings);
        std::filesystem::remove(ws.path("q.wr2"));
        const RunResult result = ws.run(c.flags, {"q.wrg"});
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(digest(ws.read(c.file)), c.digest) << c.file << " with " << testing::PrintToString(c.flags);
    }
    EXPECT_FALSE(std::filesystem::exists(ws.path("q.wr2")));

    // A URL list becomes a queue file, which is then converted and shuffled.
    ws.write("tamcfg.dat", settings);
    const RunResult result = ws.run(with({"--shuffle"}), {"list.txt"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(digest(ws.read("list.wrg")), "251c7f22e2f78bf2");
    EXPECT_EQ(digest(ws.read("list.wrs")), "72d0047340b932e5");
}

} // namespace
} // namespace tamarisk::test

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

} // namespace
} // namespace tamarisk::test

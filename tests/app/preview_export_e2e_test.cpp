// The preview (--diff) and the export to aria2 (--export=aria2) through the built program, on files in a
// temporary folder; the export is downloaded by aria2 itself from a local HTTP server.

#include "support/testutil.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>

namespace tamarisk::test {
namespace {

namespace fs = std::filesystem;
const std::string kProgram = TAMARISK_BINARY;

TEST(Preview, PrintsHunksAndASummaryAndWritesNothing) {
    const TempDir dir;
    // 写真, 表 (its second byte is "\"), a byte that is no CP932 character, and a line that ends in LF.
    const std::string queue =
        "Version=3\r\nInfo=\x8e\xca\x90\x5e\r\nStoreIn=C:\\\x95\x5c\\\r\nSaveAs=a\x80"
        "b.zip\r\nAdvanced=0\r\nUrl=http://srv.a.b/x.zip\r\n_IsOk=0\r\nInfo=2\r\nStoreIn="
        "\r\nLogin=0\r\nPassword=\r\nUserName=\r\nAdvanced=0\r\n_IsOk=0\r\nUrl=http://srv."
        "a.b/y.zip\nInfo=3\r\n";
    writeFile(dir / "q.wrg", queue);
    RunOptions options;
    options.cwd = dir.path();
    const RunResult result =
        run(kProgram, {"--settings=tamcfg.dat", "--diff", "--referer", "q.wrg", "gone.wrg"}, options);

    EXPECT_EQ(result.out, "--- q.wrg\n"
                          "+++ q.wr2\n"
                          "@@ -2,7 +2,9 @@\n"
                          " Info=\xE5\x86\x99\xE7\x9C\x9F\n"
                          " StoreIn=C:\\\xE8\xA1\xA8\\\n"
                          " SaveAs=a\\x80b.zip\n"
                          "-Advanced=0\n"
                          "+Advanced=1\n"
                          "+Referer=2\n"
                          "+RefererStr=http://srv.a.b/x.zip\n"
                          " Url=http://srv.a.b/x.zip\n"
                          " _IsOk=0\n"
                          " Info=2\n"
                          "@@ -10,7 +12,9 @@\n"
                          " Login=0\n"
                          " Password=\n"
                          " UserName=\n"
                          "-Advanced=0\n"
                          "+Advanced=1\n"
                          " _IsOk=0\n"
                          "+Referer=2\n"
                          "+RefererStr=http://srv.a.b/y.zip\n"
                          " Url=http://srv.a.b/y.zip\n"
                          " Info=3\n"
                          "q.wrg: 2 of 16 lines would change; q.wr2 would have 20 lines; 1 line end would "
                          "become CR LF\n");
    // A file that cannot be read fails as in a conversion; nothing at all is written, not even the
    // settings file that a conversion would create.
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "tamarisk: gone.wrg: cannot read gone.wrg: No such file or directory\n");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"q.wrg"});
    EXPECT_EQ(readFile(dir / "q.wrg"), queue);

    // The shuffle is previewed on the entries before it; a file without changes gives its summary alone.
    writeFile(dir / "same.wrg", "Info=1\r\nInfo=2\r\n");
    const RunResult shuffled =
        run(kProgram, {"--settings=tamcfg.dat", "--diff", "--shuffle", "same.wrg"}, options);
    EXPECT_EQ(shuffled.status, 0);
    EXPECT_EQ(shuffled.out, "same.wrg: 0 of 2 lines would change; then the order of its 2 entries would be "
                            "shuffled\n");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"q.wrg", "same.wrg"}));
}

// A local HTTP server on 127.0.0.1 that serves a folder; /a.bin only to requests with the expected referer.
class HttpServer {
public:
    HttpServer(const fs::path& served, const fs::path& work) {
        const fs::path script = work / "server.py";
        writeFile(script, "import functools, http.server, sys\n"
                          "class Handler(http.server.SimpleHTTPRequestHandler):\n"
                          "    def do_GET(self):\n"
                          "        if self.path == '/a.bin' and self.headers.get('Referer') != "
                          "'http://ref.test/page.html':\n"
                          "            self.send_error(403)\n"
                          "            return\n"
                          "        super().do_GET()\n"
                          "server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), "
                          "functools.partial(Handler, directory=sys.argv[1]))\n"
                          "open(sys.argv[2] + '.part', 'w').write(str(server.server_address[1]))\n"
                          "import os; os.rename(sys.argv[2] + '.part', sys.argv[2])\n"
                          "server.serve_forever()\n");
        const fs::path portFile = work / "port";
        m_pid = ::fork();
        if (m_pid == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 2);
            ::execlp("python3", "python3", script.c_str(), served.c_str(), portFile.c_str(), nullptr);
            ::_exit(127);
        }
        for (int i = 0; i < 200 && !fs::exists(portFile); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        m_port = fs::exists(portFile) ? readFile(portFile) : "";
    }
    ~HttpServer() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    const std::string& port() const { return m_port; }

private:
    pid_t m_pid = -1;
    std::string m_port;
};

// A port on 127.0.0.1 where nothing listens.
std::string closedPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(s, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(s);
    return std::to_string(ntohs(address.sin_port));
}

TEST(Aria2Export, Aria2DownloadsTheEntriesIntoTheirFoldersThroughTheMirrors) {
    const TempDir dir;
    fs::create_directories(dir / "served");
    fs::create_directories(dir / "wine" / "dosdevices");
    fs::create_directories(dir / "dl1");
    fs::create_directory_symlink("../drive_c", dir / "wine" / "dosdevices" / "c:");
    fs::create_directory_symlink("/", dir / "wine" / "dosdevices" / "z:");
    const std::string a(3000, 'a');
    const std::string b(5000, 'b');
    writeFile(dir / "served" / "a.bin", a);
    writeFile(dir / "served" / "b.bin", b);
    const HttpServer server(dir / "served", dir.path());
    ASSERT_FALSE(server.port().empty()) << "python3 did not start an HTTP server";
    const std::string live = "127.0.0.1:" + server.port();
    const std::string dead = "127.0.0.1:" + closedPort();

    // One server group of two addresses: the first entry is given the dead one and reaches the file
    // through its mirror.
    writeFile(dir / "tamcfg.dat", crlf({"SERVER:www.mirror.test", "IP:" + dead, "IP:" + live}));
    std::string dl1 = (dir / "dl1").string();
    std::replace(dl1.begin(), dl1.end(), '/', '\\');
    writeFile(dir / "q.wrg",
              crlf({"Info=one", "StoreIn=Z:" + dl1 + "\\", "SaveAs=first.bin", "Referer=1",
                    "RefererStr=http://ref.test/page.html", "Url=http://" + dead + "/a.bin", "Info=two",
                    "StoreIn=C:\\dl2", "SaveAs=", "Login=1", "UserName=u", "Password=p",
                    "Url=http://" + live + "/b.bin", "Info=no address", "StoreIn=C:\\dl3"}));
    fs::permissions(dir / "q.wrg", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    RunOptions options;
    options.environment = {"WINEPREFIX=" + (dir / "wine").string()};
    const RunResult result = run(kProgram,
                                 {"--settings=" + (dir / "tamcfg.dat").string(), "--export=aria2",
                                  "--server-change", "--assign=in-order", (dir / "q.wrg").string()},
                                 options);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "tamarisk: warning: " + (dir / "q.wrg").string() +
                              ": 1 entry without a Url= line left out of " + (dir / "q.aria2").string() +
                              "\n");
    EXPECT_EQ(readFile(dir / "q.aria2"), "http://" + dead + "/a.bin\thttp://" + live +
                                             "/a.bin\n"
                                             " dir=" +
                                             (dir / "dl1").string() +
                                             "\n"
                                             " out=first.bin\n"
                                             " referer=http://ref.test/page.html\n"
                                             "http://" +
                                             live + "/b.bin\thttp://" + dead +
                                             "/b.bin\n"
                                             " dir=" +
                                             (dir / "wine" / "drive_c" / "dl2").string() +
                                             "\n"
                                             " http-user=u\n"
                                             " http-passwd=p\n");
    EXPECT_EQ(fs::status(dir / "q.aria2").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_FALSE(fs::exists(dir / "q.wr2"));

    const RunResult aria2 =
        run("/usr/bin/aria2c",
            {"--input-file=" + (dir / "q.aria2").string(), "--max-tries=1", "--connect-timeout=10",
             "--timeout=20", "--no-conf", "--console-log-level=error", "--summary-interval=0",
             "--auto-file-renaming=false"},
            options);
    EXPECT_EQ(aria2.status, 0) << aria2.out << aria2.err;
    EXPECT_EQ(readFile(dir / "dl1" / "first.bin"), a);
    EXPECT_EQ(readFile(dir / "wine" / "drive_c" / "dl2" / "b.bin"), b);
}

} // namespace
} // namespace tamarisk::test

// Writes synthetic inputs for the benchmark: a queue file of N entries of 11 lines (Japanese titles and
// file names in CP932, referer lines, a header), and optionally a settings file of 10 server groups (the
// first holds the queue's own hosts: numbers 1-9 and two addresses) and a relocation file of 100 address
// changes, half of which match the queue's addresses.
//
//   genqueue ENTRIES QUEUE [SETTINGS RELOCATION]
//   genqueue --storein-only LINES QUEUE      (LINES "StoreIn=" lines and no "Url=" line)

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// CP932 bytes of the Japanese texts used below.
const std::string kPhotoBook = "\x8e\xca\x90\x5e\x8f\x57";                        // 写真集
const std::string kDownload = "\x83\x5f\x83\x45\x83\x93\x83\x8d\x81\x5b\x83\x68"; // ダウンロード
const std::string kShow = "\x95\x5c\x8e\xa6";                                     // 表示
const std::string kComment = "\x83\x52\x83\x81\x83\x93\x83\x67";                  // コメント
const std::string kSummer = "\x89\xc4";                                           // 夏

std::string entry(long i) {
    const long folder = i % 100;
    std::string host = "srv" + std::to_string(i % 9 + 1) + ".dl.example.jp";
    if (i % 50 == 0)
        host = "user" + std::to_string(i % 7) + ".webjump.com";
    std::string out;
    out += "Info=" + kPhotoBook + " " + std::to_string(i) + "\r\n";
    out += "StoreIn=C:\\" + kDownload + "\\" + kShow + "\\\r\n";
    out += "SaveAs=\r\n";
    out += "Referer=1\r\n";
    out += "RefererStr=http://www.example" + std::to_string(i % 10) + ".jp/gallery/index" +
           std::to_string(i) + ".html\r\n";
    out += "Advanced=0\r\nLogin=0\r\nUserName=\r\nPassword=\r\n";
    out += "Url=http://" + host + "/p" + std::to_string(folder) + "/" + kPhotoBook + kSummer +
           std::to_string(i) + ".zip\r\n";
    out += "_IsOk=0\r\n";
    return out;
}

void writeSettings(const char* path) {
    std::ofstream out(path, std::ios::binary);
    out << "CHKB0:0\r\n";
    out << "SERVER:srv.dl.example.jp\r\nSNUMBER:1-9\r\nIP:10.0.0.1\r\nIP:10.0.0.2\r\nSTYPE:F\r\n";
    for (int g = 1; g < 10; ++g) {
        out << "SERVER:srv.group" << g << ".example.net\r\n";
        out << "SNUMBER:1-9\r\n";
        out << "IP:10.0." << g << ".1\r\nIP:10.0." << g << ".2\r\n";
        out << "STYPE:F\r\n";
    }
}

void writeRelocation(const char* path) {
    std::ofstream out(path, std::ios::binary);
    for (int f = 0; f < 50; ++f)
        out << "http://srv1.dl.example.jp/p" << f << "/,http://srv1.dl.example.jp/moved" << f << "\r\n";
    for (int g = 1; g <= 5; ++g) {
        for (int f = 0; f < 10; ++f)
            out << "http://srv1.group" << g << ".example.net/p" << f << "/,http://mirror" << g
                << ".example.org/p" << f << "\r\n";
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::string(argv[1]) == "--storein-only") {
        std::ofstream out(argv[3], std::ios::binary);
        const long lines = std::atol(argv[2]);
        out << "Info=\r\n";
        for (long i = 0; i < lines; ++i)
            out << "StoreIn=C:\\old\\" << i << "\\\r\n";
        return out ? 0 : 1;
    }
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: genqueue ENTRIES QUEUE [SETTINGS RELOCATION]\n");
        return 2;
    }
    const long entries = std::atol(argv[1]);
    std::ofstream out(argv[2], std::ios::binary);
    out << "[Reget Deluxe queue]\r\n; " << kComment << "\r\nVersion=3\r\n";
    for (long i = 0; i < entries; ++i)
        out << entry(i);
    if (argc == 5) {
        writeSettings(argv[3]);
        writeRelocation(argv[4]);
    }
    return out ? 0 : 1;
}

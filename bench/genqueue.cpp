// Writes synthetic inputs for the benchmark: a queue file of N entries (Japanese text in CP932, referer
// lines, comments, a header), and optionally a settings file with 10 server groups and a relocation file
// with 100 address changes that match the queue's addresses.
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

std::string entry(long i) {
    const long group = i % 10;
    const long folder = (i / 10) % 10;
    const long server = i % 20 + 1;
    std::string host = "srv" + std::to_string(server) + ".group" + std::to_string(group) + ".example.jp";
    if (i % 50 == 0)
        host = "user" + std::to_string(i % 7) + ".webjump.com";
    std::string out;
    out += "Info=" + kPhotoBook + " " + std::to_string(i) + "\r\n";
    out += "StoreIn=C:\\" + kDownload + "\\" + kShow + "\\\r\n";
    out += "SaveAs=\r\n";
    if (i % 3 != 0)
        out += "Referer=1\r\n";
    out += "RefererStr=http://www.example" + std::to_string(group) + ".jp/gallery/index" + std::to_string(i) +
           ".html\r\n";
    if (i % 4 == 0)
        out += "; " + kComment + " " + std::to_string(i) + "\r\n";
    out += "Advanced=0\r\nLogin=0\r\n";
    out += "Url=http://" + host + "/p" + std::to_string(folder) + "/summer" + std::to_string(i) + ".zip\r\n";
    out += "_IsOk=0\r\n";
    return out;
}

void writeSettings(const char* path) {
    std::ofstream out(path, std::ios::binary);
    out << "CHKB0:0\r\n";
    for (int g = 0; g < 10; ++g) {
        out << "SERVER:srv1.group" << g << ".example.jp\r\n";
        out << "SNUMBER:1-20\r\nSNOUSE:7\r\n";
        out << "IP:10.0." << g << ".1\r\nIP:10.0." << g << ".2\r\n";
        out << "STYPE:F\r\n";
    }
}

void writeRelocation(const char* path) {
    std::ofstream out(path, std::ios::binary);
    for (int g = 0; g < 10; ++g) {
        for (int f = 0; f < 10; ++f)
            out << "http://srv1.group" << g << ".example.jp/p" << f << "/,http://mirror" << g
                << ".example.net/p" << f << "\r\n";
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

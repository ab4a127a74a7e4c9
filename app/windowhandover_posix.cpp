#include "app/windowhandover.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace tamarisk::app {

namespace {

// A window answers at once, unless it is busy converting; a hung one must not hang this start for long.
constexpr int kWaitSeconds = 5;

// A socket closed on every path out.
class Socket {
public:
    Socket() : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
    ~Socket() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// "%" and control characters as %XX, so that every path fits on one line.
std::string escapedPath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || byte == '%') {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

bool sendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        // MSG_NOSIGNAL: a window that went away is a failure to report, not a SIGPIPE that ends us.
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool handFilesToWindow(const std::filesystem::path& socketPath,
                       const std::vector<std::filesystem::path>& files) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string& name = socketPath.native();
    if (name.empty() || name.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, name.c_str(), name.size() + 1);

    const Socket socket;
    if (socket.fd() < 0)
        return false;
    // Bounds the connect (a full backlog), the writes and the wait for the answer.
    const timeval wait{kWaitSeconds, 0};
    ::setsockopt(socket.fd(), SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    ::setsockopt(socket.fd(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    int connected = -1;
    do
        connected = ::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    while (connected != 0 && errno == EINTR);
    if (connected != 0)
        return false; // no socket, or one left by a window that ended without removing it

    std::string requests;
    for (const std::filesystem::path& file : files) {
        std::error_code ignored;
        requests += "open " + escapedPath(std::filesystem::absolute(file, ignored).string()) + "\n";
    }
    requests += "convert\n";
    if (!sendAll(socket.fd(), requests))
        return false;

    std::string answer;
    char c = 0;
    while (answer.size() < 16) {
        const ssize_t n = ::recv(socket.fd(), &c, 1, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || c == '\n')
            break;
        answer += c;
    }
    return answer == "ok" && c == '\n';
}

} // namespace tamarisk::app

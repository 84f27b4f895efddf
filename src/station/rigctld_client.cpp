#include "station/rigctld_client.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tellur::station {
namespace {

class Socket {
public:
    explicit Socket(int fd) : m_fd(fd) { }
    ~Socket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

bool waitFor(int fd, short events, int timeoutMs)
{
    pollfd p{fd, events, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    return r > 0;
}

// Non-blocking connect bounded by timeoutMs; errno-style text on failure.
bool connectWithin(int fd, const addrinfo& a, int timeoutMs, std::string& problem)
{
    if (::connect(fd, a.ai_addr, a.ai_addrlen) == 0)
        return true;
    if (errno != EINPROGRESS) {
        problem = std::strerror(errno);
        return false;
    }
    if (!waitFor(fd, POLLOUT, timeoutMs)) {
        problem = "no answer within " + std::to_string(timeoutMs) + " ms";
        return false;
    }
    int err = 0;
    socklen_t len = sizeof err;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
    if (err != 0) {
        problem = std::strerror(err);
        return false;
    }
    return true;
}

bool sendAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Reads until an "RPRT" line arrived; returns it, or empty on timeout or a closed connection.
std::string readReport(int fd, std::string& pending, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
            std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            if (line.rfind("RPRT", 0) == 0)
                return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !waitFor(fd, POLLIN, static_cast<int>(left.count())))
            return {};
        char buf[256];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return {};
        pending.append(buf, static_cast<std::size_t>(n));
    }
}

} // namespace

RigctldResult rigctldSend(const NetworkEndpoint& endpoint, const std::vector<std::string>& lines,
                          RigctldTimeouts timeouts)
{
    RigctldResult r;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int gai = ::getaddrinfo(endpoint.host.c_str(), std::to_string(endpoint.port).c_str(), &hints, &found);
    if (gai != 0) {
        r.problem = gai_strerror(gai);
        return r;
    }
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> list(found, &::freeaddrinfo);
    // "localhost" may name ::1 and 127.0.0.1; the daemon listens on one of them.
    for (const addrinfo* a = found; a; a = a->ai_next) {
        Socket s(::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
        if (s.fd() < 0) {
            r.problem = std::strerror(errno);
            continue;
        }
        if (!connectWithin(s.fd(), *a, timeouts.connectMs, r.problem))
            continue;
        std::string pending;
        r.accepted = true;
        for (const auto& line : lines) {
            const std::string report = sendAll(s.fd(), line) ? readReport(s.fd(), pending, timeouts.replyMs) : std::string{};
            if (report.empty()) {
                r.problem = "no answer to " + line.substr(0, line.find('\n'));
                r.accepted = false;
                return r;
            }
            if (report != "RPRT 0") {
                r.problem = line.substr(0, line.find('\n')) + " answered " + report;
                r.accepted = false;
            }
        }
        r.reached = true;
        return r;
    }
    return r;
}

} // namespace tellur::station

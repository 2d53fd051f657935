// The fast peer of the polling benchmarks and the bare client: plain blocking sockets on loopback, so
// that neither side costs more than the system calls of an exchange.
#include "FastPeer.h"

#include <arpa/inet.h>
#include <charconv>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace FastPeer {

namespace {

sockaddr_in loopback(std::uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

double threadCpuUs()
{
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    const auto us = [](const timeval &t) { return double(t.tv_sec) * 1e6 + double(t.tv_usec); };
    return us(u.ru_utime) + us(u.ru_stime);
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n <= 0)
            return false;
        bytes.remove_prefix(std::size_t(n));
    }
    return true;
}

// One exchange as the monitor makes it; the reply, or nothing when the connect failed.
std::optional<std::string> exchange(const sockaddr_in &peer)
{
    static constexpr std::string_view Writes[] = {"POST /GetRTStatus\r\n", "Content-Length: 4\r\n\r\n",
                                                  "ID=4\r\n"};
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr *>(&peer), sizeof peer) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    std::string reply;
    for (std::string_view w : Writes)
        if (!writeAll(fd, w))
            break;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        reply.append(buffer, std::size_t(n));
    ::close(fd);
    return reply;
}

} // namespace

std::optional<std::size_t> requestLength(std::string_view received)
{
    const std::size_t blank = received.find("\r\n\r\n");
    if (blank == std::string_view::npos)
        return std::nullopt;
    std::size_t body = 0;
    constexpr std::string_view Key = "Content-Length:";
    if (const std::size_t at = received.substr(0, blank).find(Key); at != std::string_view::npos) {
        const char *p = received.data() + at + Key.size();
        while (*p == ' ')
            ++p;
        if (std::from_chars(p, received.data() + blank, body).ec != std::errc())
            body = 0;
    }
    const std::size_t length = blank + 4 + body + 2;
    if (received.size() < length)
        return std::nullopt;
    return length;
}

ClientRun bareClient(std::uint16_t port, int cycles, bool keepReplies)
{
    const sockaddr_in peer = loopback(port);
    ClientRun run;
    const double cpuBefore = threadCpuUs();
    const auto start = std::chrono::steady_clock::now();
    for (int c = 0; c < cycles; ++c) {
        std::optional<std::string> reply = exchange(peer);
        if (!reply)
            return run;
        if (keepReplies)
            run.replies.push_back(std::move(*reply));
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    run.perSecond = cycles / wall.count();
    run.cpuUsPerExchange = (threadCpuUs() - cpuBefore) / cycles;
    return run;
}

Peer::Peer(std::vector<std::string> replies) : m_replies(std::move(replies))
{
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address = loopback(0);
    socklen_t size = sizeof address;
    if (m_replies.empty() || ::bind(m_listen, reinterpret_cast<sockaddr *>(&address), size) != 0 ||
        ::listen(m_listen, 64) != 0 || ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&address), &size))
        return;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

Peer::~Peer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    ::close(m_listen);
}

void Peer::serve()
{
    while (!m_stop) {
        pollfd waiting{m_listen, POLLIN, 0};
        if (::poll(&waiting, 1, 100) <= 0)
            continue;
        const int fd = ::accept(m_listen, nullptr, nullptr);
        if (fd < 0)
            continue;
        answer(fd);
        ::close(fd);
    }
}

// Reads the whole request (a client that stops sending for 2 s is dropped), then the reply in one write.
void Peer::answer(int fd)
{
    const timeval limit{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    std::string request;
    char buffer[1024];
    while (!requestLength(request)) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return;
        request.append(buffer, std::size_t(n));
    }
    const std::uint64_t k = m_answered++;
    writeAll(fd, m_replies[k % m_replies.size()]);
}

} // namespace FastPeer

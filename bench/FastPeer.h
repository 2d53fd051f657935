// The fast peer of the polling benchmarks: a loopback server on a thread of its own that answers every
// connection at once with the next of a few captured status replies, and the bare client measured on it.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace FastPeer {

// The length of the request at the start of `received` (header, blank line, Content-Length bytes of
// body and CR LF, as the monitor frames it), or nothing while it is incomplete.
std::optional<std::size_t> requestLength(std::string_view received);

// One run of the bare client: connect, the monitor's three writes, read until the peer closes.
struct ClientRun {
    double perSecond = -1;            // exchanges per second of wall time; -1 when an exchange failed
    double cpuUsPerExchange = -1;     // user + system CPU of the client thread per exchange
    std::vector<std::string> replies; // the replies read, when asked to keep them
};
ClientRun bareClient(std::uint16_t port, int cycles, bool keepReplies = false);

// Answers every connection on 127.0.0.1 (a free port) with the next of `replies` in turn, in one write,
// then closes; serves until destroyed.
class Peer {
public:
    explicit Peer(std::vector<std::string> replies);
    ~Peer();
    Peer(const Peer &) = delete;
    Peer &operator=(const Peer &) = delete;

    std::uint16_t port() const { return m_port; } // 0: could not listen
    std::uint64_t answered() const { return m_answered; }

private:
    void serve();
    void answer(int fd);

    std::vector<std::string> m_replies;
    int m_listen = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<std::uint64_t> m_answered{0};
    std::thread m_thread;
};

} // namespace FastPeer

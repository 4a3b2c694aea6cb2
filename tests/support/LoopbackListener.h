#pragma once

#include <QByteArray>
#include <QString>
#include <arpa/inet.h>
#include <atomic>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

// A listening socket on 127.0.0.1 served by a thread of its own: each
// connection goes to Serve, one at a time, until StopThread. The code under
// test blocks in its network call, so the other end must not share its thread.
class LoopbackListener {
public:
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;
    virtual ~LoopbackListener() {
        for (int fd : {m_listen, m_wake[0], m_wake[1]})
            if (fd >= 0)
                ::close(fd);
    }

    int Port() const { return m_port; }
    QString Host() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

protected:
    LoopbackListener() = default;

    // Binds a free port and starts serving; Port() stays 0 when that failed.
    void StartThread() {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(m_listen, 16) != 0 || ::pipe2(m_wake, O_CLOEXEC) != 0)
            return;
        socklen_t len = sizeof a;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { Run(); });
    }
    // Wakes the thread and waits for it (derived classes call this in their
    // destructor, before their Serve goes). False when it was not running.
    bool StopThread() {
        if (!m_thread.joinable())
            return false;
        const char x = 'x';
        [[maybe_unused]] ssize_t n = ::write(m_wake[1], &x, 1);
        m_thread.join();
        return true;
    }
    // Serves one accepted connection and closes it, or returns true to keep
    // it open, unanswered, until the thread stops.
    virtual bool Serve(int connection) = 0;

    // The request head: bytes up to the blank line, or what came in 5 s.
    static QByteArray ReadRequest(int c) {
        QByteArray request;
        char buf[4096];
        while (!request.contains("\r\n\r\n")) {
            pollfd p{c, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0)
                break;
            const ssize_t n = ::recv(c, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            request.append(buf, n);
        }
        return request;
    }
    static bool SendAll(int c, const char* data, qint64 size) {
        while (size > 0) {
            const ssize_t n = ::send(c, data, static_cast<size_t>(size), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            data += n;
            size -= n;
        }
        return true;
    }

    int ListenSocket() const { return m_listen; }
    std::atomic<int> m_connections{0};

private:
    void Run() {
        std::vector<int> held;
        for (;;) {
            pollfd p[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
            if (::poll(p, 2, -1) < 0)
                continue;
            if (p[1].revents)
                break;
            const int c = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0)
                continue;
            ++m_connections;
            if (Serve(c))
                held.push_back(c);
        }
        for (int c : held)
            ::close(c);
    }

    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    int m_port = 0;
    std::thread m_thread;
};

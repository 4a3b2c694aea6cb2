#pragma once

#include "LoopbackListener.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <arpa/inet.h>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

// An HTTP/1.1 server on 127.0.0.1 for the upgrade tests, one connection at a
// time on its own thread (the code under test blocks in libcurl). Each path
// has a route: a canned reply, a body cut short, a reset connection, a body
// of many megabytes, or a redirect. Byte ranges are served for resumes.
class LoopbackHttpServer : public LoopbackListener {
public:
    struct Route {
        int status = 200;
        QByteArray body;
        QByteArray headers;     // extra header lines, each ending in \r\n
        qint64 cutAt = -1;      // send only this many body bytes, then close
        bool reset = false;     // close with a reset instead of an orderly close
        qint64 streamBytes = 0; // a body of this many filler bytes
        bool ranges = true;
    };

    LoopbackHttpServer() { StartThread(); }
    ~LoopbackHttpServer() override { StopThread(); }

    QString Url(const QString& path) const { return QStringLiteral("http://") + Host() + path; }

    void Set(const QString& path, Route route) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_routes[path] = std::move(route);
    }
    void Remove(const QString& path) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_routes.remove(path);
    }
    // Request heads in arrival order.
    QList<QByteArray> Requests() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }
    // How many requests asked for a path (the query not counted).
    int Count(const QString& path) {
        int n = 0;
        for (const QByteArray& r : Requests())
            if (PathOf(r) == path)
                ++n;
        return n;
    }
    void Stop() { StopThread(); }

    static QString PathOf(const QByteArray& request) {
        const QList<QByteArray> parts = request.left(request.indexOf('\r')).split(' ');
        QString target = parts.size() > 1 ? QString::fromUtf8(parts[1]) : QString();
        const qsizetype q = target.indexOf(QLatin1Char('?'));
        return q >= 0 ? target.left(q) : target;
    }

private:
    bool Serve(int c) override {
        const QByteArray request = ReadRequest(c);
        Route route;
        bool found = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_requests << request;
            const auto it = m_routes.constFind(PathOf(request));
            if (it != m_routes.constEnd()) {
                route = *it;
                found = true;
            }
        }
        if (!found) {
            route.status = 404;
            route.body = "not here";
        }
        qint64 from = 0;
        const qsizetype r = request.toLower().indexOf("\r\nrange: bytes=");
        if (r >= 0 && route.ranges && route.status == 200)
            from = request.mid(r + 15, request.indexOf('-', r) - r - 15).toLongLong();

        QByteArray head;
        const qint64 total = route.streamBytes > 0 ? route.streamBytes : route.body.size();
        int status = route.status;
        QByteArray body = route.body;
        if (from > 0 && from >= total) {
            status = 416;
            body.clear();
            head += "Content-Range: bytes */" + QByteArray::number(total) + "\r\n";
        } else if (from > 0) {
            status = 206;
            body = body.mid(from);
            head += "Content-Range: bytes " + QByteArray::number(from) + "-" +
                    QByteArray::number(total - 1) + "/" + QByteArray::number(total) + "\r\n";
        }
        const qint64 length = route.streamBytes > 0 ? route.streamBytes : body.size();
        const QByteArray reply = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\n" +
                                 "Content-Length: " + QByteArray::number(length) + "\r\n" +
                                 "Connection: close\r\n" + head + route.headers + "\r\n";
        bool ok = SendAll(c, reply.constData(), reply.size());
        if (ok && route.streamBytes > 0) {
            const QByteArray filler(64 * 1024, 'x');
            for (qint64 sent = 0; ok && sent < route.streamBytes; sent += filler.size())
                ok = SendAll(c, filler.constData(),
                             std::min<qint64>(filler.size(), route.streamBytes - sent));
        } else if (ok) {
            const qint64 n =
                route.cutAt >= 0 ? std::min<qint64>(route.cutAt, body.size()) : body.size();
            SendAll(c, body.constData(), n);
        }
        if (route.reset) {
            linger l{1, 0};
            ::setsockopt(c, SOL_SOCKET, SO_LINGER, &l, sizeof l);
        } else {
            ::shutdown(c, SHUT_WR);
            // Let the client read to the end before the socket goes.
            pollfd p{c, POLLIN, 0};
            char buf[4096];
            while (::poll(&p, 1, 2000) > 0 && ::recv(c, buf, sizeof buf, 0) > 0) {
            }
        }
        ::close(c);
        return false;
    }

    std::mutex m_mutex;
    QMap<QString, Route> m_routes;
    QList<QByteArray> m_requests;
};

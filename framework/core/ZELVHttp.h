#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// What a GET of a small text (a feed, a checksum) brought back.
struct ZELVHttpReply {
    bool ok = false; // a complete response arrived (any status)
    long status = 0; // HTTP status of the final response
    QByteArray body; // at most the caller's limit
    QString error;   // why it failed, for the operator; empty when ok
    bool ok200() const { return ok && status == 200; }
};

// Received bytes of the file (resumed part included) and its whole size, 0
// while unknown. Returning false cancels the download.
using ZELVDownloadProgress = std::function<bool(qint64 received, qint64 total)>;

struct ZELVDownloadResult {
    enum class Outcome { Done, Cancelled, Failed };
    Outcome outcome = Outcome::Failed;
    qint64 bytes = 0; // size of the file afterwards
    QString error;    // why it failed, for the operator
};

// The network as the upgrade check and ZELVRenew use it, behind an interface
// so that tests can count or replace requests. Redirects are followed only
// to the same scheme, host and port: the checksum published beside a package
// vouches for what that server sends, not for whatever another host sends.
class IZELVHttp {
public:
    virtual ~IZELVHttp() = default;
    // A GET, bypassing caches. A body longer than maxBytes is not read: the
    // transfer stops and the reply says so.
    virtual ZELVHttpReply Get(const QString& url, qint64 maxBytes) = 0;
    // Downloads url into file. When file already holds a part of it, the rest
    // is asked for (and the whole again when the server cannot resume). A
    // failed or cancelled download leaves the part for the next try.
    virtual ZELVDownloadResult Download(const QString& url, const QString& file,
                                        const ZELVDownloadProgress& progress) = 0;
};

// libcurl, synchronous.
class CZELVCurlHttp : public IZELVHttp {
public:
    static constexpr int kMaxRedirects = 5;
    static constexpr long kConnectTimeoutMs = 10000;
    // A transfer slower than a byte a second for this long is given up.
    static constexpr long kStallSeconds = 30;

    explicit CZELVCurlHttp(QString userAgent = QString());
    ZELVHttpReply Get(const QString& url, qint64 maxBytes) override;
    ZELVDownloadResult Download(const QString& url, const QString& file,
                                const ZELVDownloadProgress& progress) override;

    // Whether a redirect from one address to another stays on the same
    // scheme, host and port.
    static bool SameOrigin(const QString& from, const QString& to);

private:
    QString m_agent;
};

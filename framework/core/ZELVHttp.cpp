#include "ZELVHttp.h"

#include <QFile>
#include <QLocale>
#include <QUrl>
#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace {

using CurlPtr = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;

CurlPtr NewCurl() {
    static std::once_flag ready;
    std::call_once(ready, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    return CurlPtr(curl_easy_init(), &curl_easy_cleanup);
}

// The status line of each response; interim and redirect responses come first.
struct Exchange {
    long status = 0;
    QByteArray body;
    qint64 limit = 0;
    bool tooLarge = false;
    // Download only.
    QFile* file = nullptr;
    qint64 offset = 0; // bytes already in the file when the request was sent
    bool restarted = false;
    bool fileError = false;
    const ZELVDownloadProgress* progress = nullptr;
    bool cancelled = false;
};

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* x = static_cast<Exchange*>(user);
    const size_t n = size * count;
    const QByteArray line(data, static_cast<qsizetype>(n));
    if (line.startsWith("HTTP/")) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        x->status = parts.size() > 1 ? parts[1].toLong() : 0;
    }
    return n;
}

bool IsRedirect(long status) {
    return status >= 300 && status < 400;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* x = static_cast<Exchange*>(user);
    const size_t n = size * count;
    if (IsRedirect(x->status))
        return n;
    if (x->limit > 0 && x->body.size() + static_cast<qint64>(n) > x->limit) {
        x->tooLarge = true;
        return 0;
    }
    x->body.append(data, static_cast<qsizetype>(n));
    return n;
}

size_t OnFileBody(char* data, size_t size, size_t count, void* user) {
    auto* x = static_cast<Exchange*>(user);
    const size_t n = size * count;
    if (x->status != 200 && x->status != 206)
        return n; // an error page or a redirect: not part of the package
    if (x->status == 200 && x->offset > 0 && !x->restarted) {
        // The server sends the whole file instead of the rest: start over.
        if (!x->file->resize(0) || !x->file->seek(0)) {
            x->fileError = true;
            return 0;
        }
        x->offset = 0;
        x->restarted = true;
    }
    if (x->file->write(data, static_cast<qint64>(n)) != static_cast<qint64>(n)) {
        x->fileError = true;
        return 0;
    }
    return n;
}

int OnProgress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
    auto* x = static_cast<Exchange*>(user);
    if (!x->progress || !*x->progress || IsRedirect(x->status))
        return 0;
    const bool partial = x->status == 206;
    const qint64 base = partial ? x->offset : 0;
    if (!(*x->progress)(base + now, total > 0 ? base + total : 0)) {
        x->cancelled = true;
        return 1;
    }
    return 0;
}

void CommonOptions(CURL* c, const QByteArray& url, const QByteArray& agent, Exchange* x,
                   char* errorBuffer) {
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    if (!agent.isEmpty())
        curl_easy_setopt(c, CURLOPT_USERAGENT, agent.constData());
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, CZELVCurlHttp::kConnectTimeoutMs);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, CZELVCurlHttp::kStallSeconds);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, x);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);
}

QString CurlError(CURLcode rc, const char* buffer) {
    const QString text = QString::fromUtf8(buffer[0] ? buffer : curl_easy_strerror(rc));
    return text.trimmed();
}

QString RedirectRefused(const QString& to) {
    return QStringLiteral("The server sent the request on to another host (%1); "
                          "that redirect was not followed.")
        .arg(to);
}

// The address the response redirects to, resolved against the request's.
QString RedirectTarget(CURL* c) {
    char* target = nullptr;
    curl_easy_getinfo(c, CURLINFO_REDIRECT_URL, &target);
    return target ? QString::fromUtf8(target) : QString();
}

} // namespace

CZELVCurlHttp::CZELVCurlHttp(QString userAgent) : m_agent(std::move(userAgent)) {}

bool CZELVCurlHttp::SameOrigin(const QString& from, const QString& to) {
    const QUrl a(from);
    const QUrl b(to);
    return a.isValid() && b.isValid() && a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 &&
           a.port(a.scheme() == QLatin1String("https") ? 443 : 80) ==
               b.port(b.scheme() == QLatin1String("https") ? 443 : 80);
}

ZELVHttpReply CZELVCurlHttp::Get(const QString& url, qint64 maxBytes) {
    ZELVHttpReply reply;
    QString current = url;
    for (int hop = 0; hop <= kMaxRedirects; ++hop) {
        CurlPtr curl = NewCurl();
        if (!curl) {
            reply.error = QStringLiteral("The network library could not be started.");
            return reply;
        }
        Exchange x;
        x.limit = maxBytes;
        char errorBuffer[CURL_ERROR_SIZE] = {};
        CURL* c = curl.get();
        const QByteArray address = current.toUtf8();
        const QByteArray agent = m_agent.toUtf8();
        CommonOptions(c, address, agent, &x, errorBuffer);
        curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &OnBody);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, &x);
        curl_slist* headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
        headers = curl_slist_append(headers, "Pragma: no-cache");
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
        const CURLcode rc = curl_easy_perform(c);
        curl_slist_free_all(headers);
        if (x.tooLarge) {
            reply.error =
                QStringLiteral("The reply from %1 is larger than %2 bytes and was not read.")
                    .arg(current,
                         QLocale(QLocale::English, QLocale::UnitedStates).toString(maxBytes));
            return reply;
        }
        if (rc != CURLE_OK) {
            reply.error =
                QStringLiteral("%1 could not be read: %2").arg(current, CurlError(rc, errorBuffer));
            return reply;
        }
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &x.status);
        if (IsRedirect(x.status)) {
            const QString next = RedirectTarget(c);
            if (next.isEmpty())
                break;
            if (!SameOrigin(current, next)) {
                reply.error = RedirectRefused(next);
                return reply;
            }
            current = next;
            continue;
        }
        reply.ok = true;
        reply.status = x.status;
        reply.body = std::move(x.body);
        if (x.status != 200)
            reply.error = QStringLiteral("%1 answered with status %2.").arg(current).arg(x.status);
        return reply;
    }
    reply.error = QStringLiteral("%1 redirects too often.").arg(url);
    return reply;
}

ZELVDownloadResult CZELVCurlHttp::Download(const QString& url, const QString& file,
                                           const ZELVDownloadProgress& progress) {
    ZELVDownloadResult result;
    QFile out(file);
    if (!out.open(QIODevice::ReadWrite)) {
        result.error = QStringLiteral("%1 could not be written: %2").arg(file, out.errorString());
        return result;
    }
    QString current = url;
    bool retriedWhole = false;
    for (int hop = 0; hop <= kMaxRedirects + 1; ++hop) {
        CurlPtr curl = NewCurl();
        if (!curl) {
            result.error = QStringLiteral("The network library could not be started.");
            return result;
        }
        Exchange x;
        x.file = &out;
        x.offset = out.size();
        x.progress = &progress;
        out.seek(x.offset);
        char errorBuffer[CURL_ERROR_SIZE] = {};
        CURL* c = curl.get();
        const QByteArray address = current.toUtf8();
        const QByteArray agent = m_agent.toUtf8();
        CommonOptions(c, address, agent, &x, errorBuffer);
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &OnFileBody);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, &x);
        curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &OnProgress);
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, &x);
        if (x.offset > 0)
            curl_easy_setopt(c, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(x.offset));
        const CURLcode rc = curl_easy_perform(c);
        out.flush();
        result.bytes = out.size();
        if (x.cancelled) {
            result.outcome = ZELVDownloadResult::Outcome::Cancelled;
            result.error = QStringLiteral("The download was cancelled.");
            return result;
        }
        if (x.fileError) {
            result.error =
                QStringLiteral("%1 could not be written: %2").arg(file, out.errorString());
            return result;
        }
        long status = x.status;
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
        if (status == 416 && x.offset > 0 && !retriedWhole) {
            // The part on disk does not fit what the server has now.
            out.resize(0);
            retriedWhole = true;
            continue;
        }
        if (rc != CURLE_OK) {
            result.error =
                QStringLiteral("The download from %1 stopped after %2 bytes: %3")
                    .arg(current,
                         QLocale(QLocale::English, QLocale::UnitedStates).toString(out.size()),
                         CurlError(rc, errorBuffer));
            return result;
        }
        if (IsRedirect(status)) {
            const QString next = RedirectTarget(c);
            if (next.isEmpty()) {
                result.error = QStringLiteral("%1 redirects nowhere.").arg(current);
                return result;
            }
            if (!SameOrigin(current, next)) {
                result.error = RedirectRefused(next);
                return result;
            }
            current = next;
            continue;
        }
        if (status != 200 && status != 206) {
            result.error = QStringLiteral("%1 answered with status %2.").arg(current).arg(status);
            return result;
        }
        result.outcome = ZELVDownloadResult::Outcome::Done;
        result.error.clear();
        return result;
    }
    result.error = QStringLiteral("%1 redirects too often.").arg(url);
    return result;
}

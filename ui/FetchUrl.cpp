#include "ui/FetchUrl.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkInformation>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <string_view>
#include <utility>

#include "tags/Text.h"

namespace {

constexpr qsizetype ChunkSize = 4095;
// A version text is a few bytes; a server that sends more than this is not
// giving one, and the program should not fill its memory with it.
constexpr qint64 MaxBodyBytes = 1024 * 1024;
// Enough for a moved server; a loop of redirects ends here as a failure.
constexpr int MaxRedirects = 5;

int& Timeout() {
    static int milliseconds = 30 * 1000;
    return milliseconds;
}

ConnectionCheck& Check() {
    static ConnectionCheck check;
    return check;
}

bool PlatformConnected() {
    static const bool loaded =
        QNetworkInformation::instance() || QNetworkInformation::loadDefaultBackend();
    const QNetworkInformation* info = loaded ? QNetworkInformation::instance() : nullptr;
    // Without a backend nobody can tell; let the request find out.
    if (!info) return true;
    return info->reachability() != QNetworkInformation::Reachability::Disconnected;
}

// The chunk rule: each read's bytes up to its first zero byte.
QByteArray JoinChunks(const QByteArray& body) {
    QByteArray text;
    for (qsizetype start = 0; start < body.size(); start += ChunkSize) {
        const QByteArray chunk = body.mid(start, ChunkSize);
        const qsizetype zero = chunk.indexOf('\0');
        text += zero < 0 ? chunk : chunk.left(zero);
    }
    return text;
}

}  // namespace

int FetchTimeout() {
    return Timeout();
}
void SetFetchTimeout(int milliseconds) {
    Timeout() = milliseconds;
}

bool InternetConnected() {
    if (const ConnectionCheck check = Check()) return check();
    return PlatformConnected();
}

ConnectionCheck SetConnectionCheck(ConnectionCheck check) {
    return std::exchange(Check(), std::move(check));
}

FetchResult FetchUrl(const QString& address) {
    QString text = address;
    if (!text.toLower().contains(QStringLiteral("http://")))
        text.prepend(QStringLiteral("http://"));

    FetchResult result;
    result.Text = QStringLiteral("Status:");
    const QUrl url(text);
    if (!url.isValid() || url.host().isEmpty()) return result;

    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("InetURL:/1.0"));
    // Always a fresh copy from the server, and none kept.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setRawHeader("Cache-Control", "no-cache");
    request.setRawHeader("Pragma", "no-cache");
    request.setMaximumRedirectsAllowed(MaxRedirects);

    QNetworkReply* reply = manager.get(request);
    QByteArray body;
    bool complete = true;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        body += reply->readAll();
        if (body.size() > MaxBodyBytes) {
            complete = false;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        complete = false;
        reply->abort();
    });
    timer.start(FetchTimeout());
    // Paint events and timers go on; clicks and keys wait until the request is over.
    if (!reply->isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    timer.stop();

    const QVariant code = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QString status = code.isValid() ? QString::number(code.toInt()) : QString();
    if (status != QLatin1String("200") && status != QLatin1String("302")) {
        result.Text += status;
        return result;
    }
    if (reply->isOpen()) body += reply->readAll();
    const QByteArray joined = JoinChunks(body);
    result.Text = QString::fromStdString(
        AnsiToUtf8(std::string_view(joined.constData(), static_cast<size_t>(joined.size()))));
    result.Ok = complete && reply->error() == QNetworkReply::NoError;
    return result;
}

QString FetchUrlText(const QString& address) {
    return FetchUrl(address).Text;
}

// FetchUrlText and the update check against HTTP servers on 127.0.0.1 that
// the tests start themselves; the download offer and the about box, whose
// addresses go to the desktop.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QLabel>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "support/TempDir.h"
#include "ui/FetchUrl.h"
#include "ui/Maker.h"
#include "ui/MessageBox.h"
#include "ui/Unit1.h"
#include "ui/Unit3.h"
#include "ui/Unit7.h"

namespace {

QByteArray Http(int code, const QByteArray& body, const QByteArray& extraHeaders = {}) {
    return "HTTP/1.1 " + QByteArray::number(code) +
           " X\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body;
}

// Answers each request with what respond gives for its path; no respond: never answers.
class TestServer {
  public:
    using Respond = std::function<QByteArray(const QByteArray& path)>;

    explicit TestServer(Respond respond = {}) : respond_(std::move(respond)) {
        EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                auto buffer = std::make_shared<QByteArray>();
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                    *buffer += socket->readAll();
                    if (!buffer->contains("\r\n\r\n")) return;
                    requests.push_back(*buffer);
                    if (!respond_) return;
                    const QByteArray path = buffer->split(' ').value(1);
                    socket->write(respond_(path));
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QString Url(const char* path) const {
        return QStringLiteral("http://127.0.0.1:%1%2")
            .arg(server_.serverPort())
            .arg(QLatin1String(path));
    }
    quint16 Port() const { return server_.serverPort(); }
    // The paths asked for; Qt may send a request again on a fresh
    // connection when the server closed the one it reused.
    std::set<QByteArray> Paths() const {
        std::set<QByteArray> paths;
        for (const QByteArray& r : requests) paths.insert(r.split(' ').value(1));
        return paths;
    }

    std::vector<QByteArray> requests;

  private:
    QTcpServer server_;
    Respond respond_;
};

TestServer::Respond Serve(int code, const QByteArray& body) {
    return [code, body](const QByteArray&) { return Http(code, body); };
}

class UrlRecorder : public QObject {
    Q_OBJECT
  public slots:
    void Open(const QUrl& url) { urls.push_back(url); }

  public:
    std::vector<QUrl> urls;
};

// Counts the openings of the download offer instead of showing it.
class OfferRecorder : public QDialog {
  public:
    int exec() override { return ++opened, QDialog::Rejected; }
    int opened = 0;
};

class FetchUrlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetMessageBoxHook([this](const QString& text) {
            EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "wait cursor over a message";
            messages.push_back(text);
        });
        SetConnectionCheck([] { return true; });
        SetFetchTimeout(5000);
        for (const char* scheme : {"http", "https", "mailto"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), &opened, "Open");
    }
    void TearDown() override {
        SetMessageBoxHook({});
        SetConnectionCheck({});
        SetFetchTimeout(30000);
        for (const char* scheme : {"http", "https", "mailto"})
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }

    std::vector<QString> messages;
    UrlRecorder opened;
};

TEST_F(FetchUrlTest, Bodies) {
    QByteArray big;
    for (int i = 0; i < 10000; ++i) big += static_cast<char>('a' + (i * 7 + i / 26) % 26);
    // The zero-byte rule per read of at most 4095 bytes: the zero ends the
    // second read's text only, the third read goes on.
    const QByteArray zeroInSecond = QByteArray(4095, 'a') + QByteArray(10, 'b') + '\0' +
                                    QByteArray(4084, 'c') + QByteArray(20, 'd');
    struct Case {
        const char* name;
        int code;
        QByteArray body;
        QString text;
        bool ok;
    };
    const Case cases[] = {
        {"version", 200, "1.0.6", QStringLiteral("1.0.6"), true},
        {"nothing trimmed", 200, " 1.0.6\r\n", QStringLiteral(" 1.0.6\r\n"), true},
        {"empty body", 200, "", QString(), true},
        {"over one read, joined in order", 200, big, QString::fromLatin1(big), true},
        {"zero byte ends its read's text", 200, QByteArray("1.0.6\0xyz", 9),
         QStringLiteral("1.0.6"), true},
        {"zero byte in the second read", 200, zeroInSecond,
         QString::fromLatin1(QByteArray(4095, 'a') + QByteArray(10, 'b') + QByteArray(20, 'd')),
         true},
        {"bytes are the code page's characters", 200, "\x80\xe4", QString::fromUtf8("€ä"), true},
        {"not found", 404, "<html>fehlt</html>", QStringLiteral("Status:404"), false},
        {"server error", 500, "", QStringLiteral("Status:500"), false},
    };
    for (const Case& c : cases) {
        TestServer server(Serve(c.code, c.body));
        const FetchResult result = FetchUrl(server.Url("/vers.txt"));
        EXPECT_EQ(result.Text, c.text) << c.name;
        EXPECT_EQ(result.Ok, c.ok) << c.name;
        EXPECT_EQ(FetchUrlText(server.Url("/vers.txt")), c.text) << c.name;
    }
}

TEST_F(FetchUrlTest, Request) {
    TestServer server(Serve(200, "1.0.6"));
    ASSERT_EQ(FetchUrlText(server.Url("/vers.txt")), QStringLiteral("1.0.6"));
    ASSERT_EQ(server.requests.size(), 1u);
    const QByteArray request = server.requests[0].toLower();
    EXPECT_TRUE(request.startsWith("get /vers.txt http/1.1\r\n")) << request.constData();
    EXPECT_TRUE(server.requests[0].contains("\r\nUser-Agent: InetURL:/1.0\r\n"))
        << server.requests[0].constData();
    EXPECT_TRUE(request.contains("\r\ncache-control: no-cache\r\n")) << request.constData();
}

TEST_F(FetchUrlTest, Scheme) {
    TestServer server(Serve(200, "ok"));
    const QString hostAndPath = QStringLiteral("127.0.0.1:%1/vers.txt").arg(server.Port());
    for (const QString& address : {hostAndPath, QStringLiteral("http://") + hostAndPath,
                                   QStringLiteral("HTTP://") + hostAndPath})
        EXPECT_EQ(FetchUrlText(address), QStringLiteral("ok")) << address.toStdString();
    EXPECT_EQ(server.requests.size(), 3u);
}

// /vers.txt -> /1 -> ... -> /hops, which holds the version.
TestServer::Respond RedirectChain(int hops) {
    return [hops](const QByteArray& path) {
        const int at = path == "/vers.txt" ? 0 : path.mid(1).toInt();
        if (at < hops) return Http(302, "", "Location: /" + QByteArray::number(at + 1) + "\r\n");
        return Http(200, "1.0.7");
    };
}

TEST_F(FetchUrlTest, RedirectsAreFollowedUpToFive) {
    for (const int hops : {1, 5, 6}) {
        TestServer server(RedirectChain(hops));
        const FetchResult result = FetchUrl(server.Url("/vers.txt"));
        EXPECT_EQ(result.Ok, hops <= 5) << hops;
        if (hops <= 5) {
            EXPECT_EQ(result.Text, QStringLiteral("1.0.7")) << hops;
        }
        EXPECT_EQ(static_cast<int>(server.Paths().size()), std::min(hops, 5) + 1) << hops;
    }
}

TEST_F(FetchUrlTest, NoServerGivesAnEmptyStatus) {
    quint16 port = 0;
    {
        TestServer gone;
        port = gone.Port();
    }
    const FetchResult result = FetchUrl(QStringLiteral("http://127.0.0.1:%1/vers.txt").arg(port));
    EXPECT_EQ(result.Text, QStringLiteral("Status:"));
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(FetchUrlText(QStringLiteral("http://")), QStringLiteral("Status:")) << "no host";
}

TEST_F(FetchUrlTest, SilentServerTimesOut) {
    SetFetchTimeout(400);
    struct Case {
        const char* name;
        TestServer::Respond respond;
        QString text;
    };
    const Case cases[] = {
        {"never answers", {}, QStringLiteral("Status:")},
        // Headers and the start of the body, then silence.
        {"stalls in the body",
         [](const QByteArray&) {
             return QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n1.0");
         },
         QStringLiteral("1.0")},
    };
    for (const Case& c : cases) {
        // The "stalls" server must not close: answer without disconnecting.
        QTcpServer server;
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&server, &QTcpServer::newConnection, [&] {
            QTcpSocket* socket = server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [&c, socket] {
                socket->readAll();
                if (c.respond) socket->write(c.respond({}));
            });
        });
        QElapsedTimer clock;
        clock.start();
        const FetchResult result =
            FetchUrl(QStringLiteral("http://127.0.0.1:%1/vers.txt").arg(server.serverPort()));
        EXPECT_LT(clock.elapsed(), 4000) << c.name;
        EXPECT_GE(clock.elapsed(), 350) << c.name;
        EXPECT_EQ(result.Text, c.text) << c.name;
        EXPECT_FALSE(result.Ok) << c.name;
    }
}

TEST_F(FetchUrlTest, UpdateCheck) {
    struct Case {
        const char* name;
        bool connected;
        TestServer::Respond respond;
        QString message;  // empty: the offer opens
        int requests;     // paths asked for
    };
    // The messages' exact texts, as the user reads them.
    const QString upToDate =
        QString::fromUtf8("Kein Update verfügbar. Ihre Programmversion ist aktuell.");
    const QString noConnection = QString::fromUtf8(
        "Füe ein Webubdate ist eine Internetverbindung erforderlich. Wenn Sie eine "
        "Updateprüfung durchführen wollen, stellen Sie bitte zuerst eine Internetverbindung her.");
    const QByteArray longest = "1.0.7" + QByteArray(27, 'b');
    const Case cases[] = {
        {"same version", true, Serve(200, "1.0.6"), upToDate, 1},
        {"with a line end", true, Serve(200, "1.0.6\r\n"), QString(), 1},
        {"older", true, Serve(200, "1.0.5"), QString(), 1},
        {"newer, with a line end", true, Serve(200, "1.0.7\r\n"), QString(), 1},
        {"32 bytes", true, Serve(200, longest), QString(), 1},
        {"not found", true, Serve(404, "1.0.6"), VersionUnknownText(), 1},
        // A hotel's login page instead of the file: no version, no download.
        {"HTML page", true, Serve(200, "<html><body>Anmelden</body></html>"), VersionUnknownText(),
         1},
        {"33 bytes", true, Serve(200, longest + 'b'), VersionUnknownText(), 1},
        {"empty", true, Serve(200, ""), VersionUnknownText(), 1},
        {"six redirects", true, RedirectChain(6), VersionUnknownText(), 6},
        {"no connection", false, Serve(200, "1.0.5"), noConnection, 0},
    };
    for (const Case& c : cases) {
        SetConnectionCheck([&c] { return c.connected; });
        bool waitCursor = false;
        TestServer server([&](const QByteArray& path) {
            const QCursor* cursor = QApplication::overrideCursor();
            waitCursor = cursor && cursor->shape() == Qt::WaitCursor;
            return c.respond(path);
        });
        OfferRecorder offer;
        messages.clear();
        RunUpdateCheck(nullptr, &offer, server.Url("/vers.txt"));
        EXPECT_EQ(static_cast<int>(server.Paths().size()), c.requests) << c.name;
        EXPECT_EQ(waitCursor, c.requests > 0) << c.name;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << c.name;
        if (c.message.isEmpty()) {
            EXPECT_TRUE(messages.empty()) << c.name;
            EXPECT_EQ(offer.opened, 1) << c.name;
        } else {
            ASSERT_EQ(messages.size(), 1u) << c.name;
            EXPECT_EQ(messages[0], c.message) << c.name;
            EXPECT_EQ(offer.opened, 0) << c.name;
        }
    }
}

TEST_F(FetchUrlTest, WebupdateButtonWithoutConnection) {
    SetConnectionCheck([] { return false; });
    TForm1 form;
    OfferRecorder offer;
    TForm1Dialogs dialogs;
    dialogs.Updaten = &offer;
    form.SetDialogs(dialogs);
    form.ButtonUpdateClick();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], NoConnectionText());
    EXPECT_EQ(offer.opened, 0);
}

TEST_F(FetchUrlTest, DownloadOffer) {
    TForm1 form;
    TUpdaten updaten(&form);
    EXPECT_EQ(updaten.windowTitle(), QStringLiteral("Update"));
    EXPECT_EQ(updaten.parent(), &form);
    EXPECT_EQ(updaten.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
              QString::fromUtf8("Update verfügbar. Möchten Sie runterladen ?"));
    EXPECT_EQ(updaten.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().size(), QSize(32, 32));
    auto* ja = updaten.findChild<QPushButton*>(QStringLiteral("SpeedButton1"));
    auto* nein = updaten.findChild<QPushButton*>(QStringLiteral("SpeedButton2"));
    ASSERT_TRUE(ja && nein);
    EXPECT_EQ(ja->text(), QStringLiteral("Ja"));
    EXPECT_EQ(nein->text(), QStringLiteral("Nein"));

    updaten.show();
    nein->click();
    EXPECT_FALSE(updaten.isVisible());
    EXPECT_TRUE(opened.urls.empty());

    updaten.show();
    ja->click();
    EXPECT_FALSE(updaten.isVisible());
    EXPECT_EQ(updaten.result(), QDialog::Accepted);
    ASSERT_EQ(opened.urls.size(), 1u);
    EXPECT_EQ(opened.urls[0], QUrl(QStringLiteral("http://tonzettel.example/Tonzettel.zip")));
}

TEST_F(FetchUrlTest, AboutBox) {
    TForm1 form;
    TInfo info(&form);
    EXPECT_EQ(info.windowTitle(), QStringLiteral("Info"));
    EXPECT_EQ(info.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().size(), QSize(80, 200));
    auto* version = info.findChild<QLabel*>(QStringLiteral("Label1"));
    EXPECT_EQ(version->text(), QStringLiteral("Version 1.0.6"));
    EXPECT_EQ(version->font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(version->font().pixelSize(), 21);
    EXPECT_EQ(info.findChild<QLabel*>(QStringLiteral("Label5"))->text(),
              QStringLiteral("Webseite :"));
    EXPECT_EQ(info.findChild<QLabel*>(QStringLiteral("Label3"))->text(),
              QStringLiteral("E-Mail :"));
    info.show();

    struct Link {
        const char* name;
        const char* text;
        const char* url;
    };
    for (const Link& l : {Link{"LabelHTTP", MakerWebPage, "http://tonzettel.example"},
                          Link{"LabelMail", MakerMail, "mailto:info@tonzettel.example"}}) {
        auto* label = info.findChild<QLabel*>(QLatin1String(l.name));
        ASSERT_NE(label, nullptr) << l.name;
        EXPECT_EQ(label->text(), QLatin1String(l.text));
        EXPECT_TRUE(label->font().underline()) << l.name;
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::blue)) << l.name;
        EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor) << l.name;
        opened.urls.clear();
        QTest::mouseClick(label, Qt::LeftButton);
        ASSERT_EQ(opened.urls.size(), 1u) << l.name;
        EXPECT_EQ(opened.urls[0], QUrl(QLatin1String(l.url))) << l.name;
    }

    auto* close = info.findChild<QToolButton*>(QStringLiteral("SpeedButton2"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), QString::fromUtf8("Schließen"));
    EXPECT_TRUE(close->autoRaise());
    EXPECT_FALSE(close->icon().isNull());
    close->click();
    EXPECT_FALSE(info.isVisible());
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no display; running them starts Qt, after the
    // config folder has been pointed at a temporary one so that the user's
    // settings file is never touched.
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    TempDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(QString::fromStdString(config.Path().string())));
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

#include "FetchUrlTest.moc"

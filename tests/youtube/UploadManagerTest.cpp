// The upload manager against a recording HTTP server of the test's own on 127.0.0.1: the
// multipart POST and the JSON PUT as the server reads them, the result of each kind of reply,
// progress, and what happens while signed out. The manager signs in silently at creation
// through a relay page of the same server.
#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QUrlQuery>

#include "DialogHook.h"
#include "EventWait.h"
#include "HttpRecorder.h"
#include "LogCapture.h"
#include "TestEnv.h"
#include "UploadTestSupport.h"
#include "YTServiceConfig.h"
#include "YoutubeUploadManager.h"

using namespace UploadTestSupport;
using EventWait::waitFor;

namespace {

const bool sandboxOff = qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

const char* const kPostPath = "/upload/youtube/v3/videos";
const char* const kPutPath = "/youtube/v3/videos";

struct Fixture {
    HttpRecorder server;
    HttpRecorder::Reply uploadReply;
    HttpRecorder::Reply infoReply;
    YoutubeUploadManager* manager = nullptr;
};

Fixture& fixture() {
    static Fixture* f = new Fixture;  // outlives the manager's last use
    return *f;
}

QString writeFile(const QString& name, const QByteArray& bytes) {
    const QString path = QString::fromStdString(TestEnv::makeDir("upload")) + "/" + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

// Bytes that include CR LF and dashes, as a boundary search would trip over.
QByteArray clipBytes(int size) {
    QByteArray bytes(size, 0);
    for (int i = 0; i < size; ++i) bytes[i] = char((i * 131 + i / 7) & 0xff);
    bytes.replace(1000, 8, "\r\n--\r\n--");
    return bytes;
}

class UploadManagerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        LogCapture::install();
        Fixture& f = fixture();
        f.server.setResponder([&f](const HttpRecorder::Request& r) {
            const QString path = r.url.path();
            HttpRecorder::Reply reply;
            reply.contentType = "text/html";
            if (path.startsWith("/googleLogin/"))
                reply.body = relayPage("/loginSuccess.php?id=UC42&name=Driver&token=tok-1");
            else if (path == kPostPath)
                reply = f.uploadReply;
            else if (path == kPutPath)
                reply = f.infoReply;
            return reply;
        });
        pointServiceAt(f.server);
        f.manager = YoutubeUploadManager::instance();
        ASSERT_TRUE(waitFor([&] { return f.manager->getIsLogin(); }, 20000));
    }

    void SetUp() override {
        fixture().server.clear();
        LogCapture::install().clear();
        manager()->loginSuccess("UC42", "Driver", "tok-1");
        fixture().uploadReply = HttpRecorder::Reply();
        fixture().infoReply = HttpRecorder::Reply();
        fixture().infoReply.body = "{\"kind\":\"youtube#video\"}";
    }

    static YoutubeUploadManager* manager() { return fixture().manager; }
    static HttpRecorder& server() { return fixture().server; }

    // Uploads `path` and waits for the result; false when none came.
    static bool upload(const QString& path, const QString& title, int privacy, int* result,
                       QString* message) {
        QSignalSpy results(manager(), SIGNAL(sigUploadResult(int, QString)));
        YTVideoInfo info{path, title, YT_VIDEO_PRIVACY(privacy)};
        manager()->uploadVideo(info);
        if (!waitFor([&] { return results.size() > 0; }, 20000)) return false;
        *result = results.at(0).at(0).toInt();
        *message = results.at(0).at(1).toString();
        return true;
    }
};

TEST_F(UploadManagerTest, SilentSignInAtCreationStoresTheAccount) {
    EXPECT_EQ("UC42", manager()->getID().toStdString());
    EXPECT_EQ("Driver", manager()->getName().toStdString());
}

TEST_F(UploadManagerTest, PostsTheFileAsOneMultipartPartThenPutsTheMetadata) {
    const QByteArray bytes = clipBytes(300000);
    const QString path = writeFile("clip.mp4", bytes);
    fixture().uploadReply.body = R"({"id":"abc","snippet":{}})";
    QSignalSpy progress(manager(), SIGNAL(sigUploadProgress(qint64, qint64)));
    int result = 1;
    QString message;
    ASSERT_TRUE(upload(path, "Morning drive", 7, &result, &message));
    EXPECT_EQ(0, result);
    EXPECT_EQ(R"({"id":"abc","snippet":{}})", message.toStdString());
    ASSERT_TRUE(waitFor([] { return server().requests(kPutPath).size() == 1; }, 10000));

    const HttpRecorder::Request post = server().requests(kPostPath).at(0);
    EXPECT_EQ("POST", post.method.toStdString());
    const QList<QPair<QString, QString>> items{{"access_token", "tok-1"},
                                               {"part", "snippet,status"}};
    EXPECT_EQ(items, QUrlQuery(post.url).queryItems(QUrl::FullyDecoded));
    EXPECT_TRUE(post.header("content-type").startsWith("multipart/mixed; boundary="));
    EXPECT_TRUE(post.header("authorization").isEmpty());
    const QList<Part> parts = multipartParts(post.header("content-type"), post.body);
    ASSERT_EQ(1, parts.size());
    EXPECT_EQ("content-type: video/*", parts[0].headers.toLower().toStdString());
    EXPECT_TRUE(parts[0].body == bytes);

    const HttpRecorder::Request put = server().requests(kPutPath).at(0);
    EXPECT_EQ("PUT", put.method.toStdString());
    EXPECT_EQ(items, QUrlQuery(put.url).queryItems(QUrl::FullyDecoded));
    EXPECT_TRUE(put.header("authorization").isEmpty());
    EXPECT_EQ(R"({"id":"abc","snippet":{"categoryId":22,"title":"Morning drive"},)"
              R"("status":{"privacyStatus":"private"}})",
              put.body.toStdString());

    ASSERT_GT(progress.size(), 0);
    for (const QList<QVariant>& report : progress) EXPECT_GT(report.at(1).toLongLong(), 0);
    EXPECT_EQ(progress.last().at(0).toLongLong(), progress.last().at(1).toLongLong());
    EXPECT_EQ(post.bodySize, progress.last().at(1).toLongLong());
}

TEST_F(UploadManagerTest, ResultOfEachKindOfReply) {
    struct Case {
        const char* name;
        HttpRecorder::Reply reply;
        int result;
        const char* message;
        bool put;
    };
    const Case cases[] = {
        {"id", {200, R"({"id":"v1"})"}, 0, R"({"id":"v1"})", true},
        {"error", {403, R"({"error":{"code":403}})"}, -200, R"({"error":{"code":403}})", false},
        {"error and id",
         {400, R"({"error":"quota","id":"v2"})"},
         -100,
         R"({"error":"quota","id":"v2"})",
         true},
        {"numeric id", {200, R"({"id":12})"}, 0, R"({"id":12})", true},
        {"array", {200, "[1,2]"}, -1, "", false},
        {"not json", {502, "<html>bad gateway</html>", "text/html"}, -1, "", false},
        {"closed socket", {200, "", "", true}, -1, "", false},
    };
    const QString path = writeFile("small.mp4", "0123456789");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server().clear();
        fixture().uploadReply = c.reply;
        int result = 1;
        QString message;
        ASSERT_TRUE(upload(path, "T", 0, &result, &message));
        EXPECT_EQ(c.result, result);
        EXPECT_EQ(c.message, message.toStdString());
        EventWait::settle(300);
        EXPECT_EQ(c.put ? 1 : 0, server().requests(kPutPath).size());
    }
}

TEST_F(UploadManagerTest, PutCarriesTheIdAsTextAndPrivacyTexts) {
    const QString path = writeFile("p.mp4", "x");
    const std::pair<int, const char*> privacies[] = {
        {0, "public"}, {1, "unlisted"}, {2, "private"}, {7, "private"}};
    for (const auto& privacy : privacies) {
        EXPECT_EQ(
            privacy.second,
            YoutubeUploadManager::toPrivacyStr(YT_VIDEO_PRIVACY(privacy.first)).toStdString());
        server().clear();
        fixture().uploadReply.body = R"({"id":12})";
        int result = 1;
        QString message;
        ASSERT_TRUE(upload(path, "Ttl", privacy.first, &result, &message));
        ASSERT_TRUE(waitFor([] { return server().requests(kPutPath).size() == 1; }, 10000));
        EXPECT_EQ(QString(R"({"id":"12","snippet":{"categoryId":22,"title":"Ttl"},)"
                          R"("status":{"privacyStatus":"%1"}})")
                      .arg(privacy.second)
                      .toStdString(),
                  server().requests(kPutPath).at(0).body.toStdString());
    }
}

TEST_F(UploadManagerTest, MetadataReplyIsLogged) {
    const QString path = writeFile("m.mp4", "x");
    fixture().uploadReply.body = R"({"id":"abc"})";
    fixture().infoReply = {403, R"({"error":{"message":"forbidden title"}})"};
    int result = 1;
    QString message;
    ASSERT_TRUE(upload(path, "T", 0, &result, &message));
    EXPECT_EQ(0, result);
    ASSERT_TRUE(waitFor(
        [] { return LogCapture::install().contains("YTManager", "Video info reply: status 403"); },
        10000));
    EXPECT_TRUE(LogCapture::install().contains("YTManager", "forbidden title"));
}

TEST_F(UploadManagerTest, UnreadableFileIsSentAsAnEmptyPart) {
    fixture().uploadReply.body = R"({"id":"e"})";
    int result = 1;
    QString message;
    ASSERT_TRUE(upload("/nonexistent/clip.mp4", "T", 0, &result, &message));
    EXPECT_EQ(0, result);
    const HttpRecorder::Request post = server().requests(kPostPath).at(0);
    const QList<Part> parts = multipartParts(post.header("content-type"), post.body);
    ASSERT_EQ(1, parts.size());
    EXPECT_TRUE(parts[0].body.isEmpty());
    EXPECT_TRUE(waitFor([] { return server().requests(kPutPath).size() == 1; }, 10000));
}

TEST_F(UploadManagerTest, ProgressWithoutTotalIsNotReported) {
    QSignalSpy progress(manager(), SIGNAL(sigUploadProgress(qint64, qint64)));
    manager()->videoUploadProgress(5, 0);
    manager()->videoUploadProgress(0, 0);
    EXPECT_EQ(0, progress.size());
    manager()->videoUploadProgress(5, 10);
    ASSERT_EQ(1, progress.size());
    EXPECT_EQ(5, progress.at(0).at(0).toLongLong());
    EXPECT_EQ(10, progress.at(0).at(1).toLongLong());
}

TEST_F(UploadManagerTest, SignedOutUploadLogsAndSendsNothing) {
    QSignalSpy loggedOut(manager(), SIGNAL(sigLogout()));
    manager()->logout();
    EXPECT_EQ(1, loggedOut.size());
    EXPECT_FALSE(manager()->getIsLogin());
    EXPECT_TRUE(manager()->getID().isEmpty());
    EXPECT_TRUE(manager()->getName().isEmpty());
    ASSERT_TRUE(waitFor([] { return server().requests("/logout").size() == 1; }, 10000));

    manager()->logout();
    EXPECT_EQ(1, loggedOut.size());

    QSignalSpy results(manager(), SIGNAL(sigUploadResult(int, QString)));
    manager()->uploadVideo({writeFile("s.mp4", "x"), "T", YT_PUBLIC});
    manager()->updateVideoInfo("abc");
    EventWait::settle(500);
    EXPECT_EQ(0, results.size());
    EXPECT_EQ(0, server().requests("/upload").size());
    EXPECT_EQ(0, server().requests("/youtube").size());
    EXPECT_EQ(2, LogCapture::install().count("YTManager", "uploadVideo failed, not login"));
}

TEST_F(UploadManagerTest, LoginWhileSignedInOpensNothing) {
    int dialogs = 0;
    DialogHook::setAnswerer([&](const DialogHook::Request&) {
        ++dialogs;
        return DialogHook::Answer();
    });
    manager()->login();
    EXPECT_EQ(0, dialogs);
    manager()->logout();
    manager()->login();
    EXPECT_EQ(1, dialogs);
    DialogHook::setAnswerer(nullptr);
}

TEST(YTServiceConfigTest, OnlySecureOrLoopbackAddressesAreTaken) {
    const QByteArray saved = qgetenv("RV_YT_API_BASE");
    qputenv("RV_YT_API_BASE", "http://example.org");
    EXPECT_EQ("https://www.googleapis.com/upload/youtube/v3/videos",
              YTServiceConfig::current().apiUrl(kPostPath).toString().toStdString());
    qputenv("RV_YT_API_BASE", "https://api.example.org/base/");
    EXPECT_EQ("https://api.example.org/base/youtube/v3/videos",
              YTServiceConfig::current().apiUrl(kPutPath).toString().toStdString());
    qputenv("RV_YT_API_BASE", saved);
}

}  // namespace

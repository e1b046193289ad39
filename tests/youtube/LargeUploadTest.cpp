// A 2 GB sparse file uploads through the manager to the test's own HTTP server on 127.0.0.1
// while the process's peak resident set stays flat: the file is streamed from disk, never
// read whole into memory. The figures are printed and kept as test properties.
#include <cstdio>

#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>

#include "EventWait.h"
#include "HttpRecorder.h"
#include "TestEnv.h"
#include "UploadTestSupport.h"
#include "YoutubeUploadManager.h"

using namespace UploadTestSupport;
using EventWait::waitFor;

namespace {

const bool sandboxOff = qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

const qint64 kFileSize = qint64(2) << 30;
const QByteArray kHeadMark = "HEAD-OF-THE-CLIP";
const QByteArray kTailMark = "TAIL-OF-THE-CLIP";

// Only the marks at both ends occupy disk blocks.
QString writeSparseFile() {
    const QString path = QString::fromStdString(TestEnv::makeDir("large")) + "/large.mp4";
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(kHeadMark);
    EXPECT_TRUE(file.resize(kFileSize));
    file.seek(kFileSize - kTailMark.size());
    file.write(kTailMark);
    return path;
}

TEST(LargeUploadTest, TwoGigabyteFileStreamsWithFlatMemory) {
    HttpRecorder server;
    server.setResponder([](const HttpRecorder::Request& request) {
        HttpRecorder::Reply reply;
        if (request.url.path().startsWith("/googleLogin/")) {
            reply.contentType = "text/html";
            reply.body = relayPage("/loginSuccess.php?id=U&name=N&token=t");
        } else if (request.method == "POST") {
            reply.body = R"({"id":"big"})";
        }
        return reply;
    });
    pointServiceAt(server);
    YoutubeUploadManager* manager = YoutubeUploadManager::instance();
    ASSERT_TRUE(waitFor([&] { return manager->getIsLogin(); }, 20000));
    const QString path = writeSparseFile();
    EventWait::settle(500);
    const long before = peakRssKiB();

    QSignalSpy results(manager, SIGNAL(sigUploadResult(int, QString)));
    qint64 lastSent = 0, total = 0;
    QObject::connect(manager, &YoutubeUploadManager::sigUploadProgress,
                     [&](qint64 sent, qint64 all) {
                         lastSent = sent;
                         total = all;
                     });
    manager->uploadVideo({path, "Long drive", YT_UNLISTED});
    ASSERT_TRUE(waitFor([&] { return results.size() == 1; }, 240000));
    const long after = peakRssKiB();
    EXPECT_EQ(0, results.at(0).at(0).toInt());

    const HttpRecorder::Request post = server.requests("/upload").at(0);
    EXPECT_GT(post.bodySize, kFileSize);
    EXPECT_LT(post.bodySize, kFileSize + 512);
    EXPECT_EQ(post.bodySize, total);
    EXPECT_EQ(total, lastSent);
    EXPECT_TRUE(post.head.contains("\r\n\r\n" + kHeadMark));
    EXPECT_TRUE(post.tail.contains(kTailMark + "\r\n--"));

    std::printf("peak RSS before upload %ld KiB, after %ld KiB, growth %ld KiB\n", before, after,
                after - before);
    ::testing::Test::RecordProperty("peak_rss_growth_kib", int(after - before));
    EXPECT_LT(after - before, 128 * 1024);
}

}  // namespace

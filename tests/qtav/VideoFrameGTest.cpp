#include <thread>

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QEventLoop>
#include <QImage>
#include <QMetaType>
#include <QObject>
#include <QTimer>

#include "VideoFrame.h"

using QtAV::VideoFormat;
using QtAV::VideoFrame;

namespace {

// Emits a frame given to it, so a queued connection must copy it across threads.
class FrameSender : public QObject {
    Q_OBJECT
  signals:
    void frameReady(const QtAV::VideoFrame& frame);
};

}  // namespace

TEST(VideoFrame, DefaultIsInvalid) {
    VideoFrame frame;
    EXPECT_FALSE(frame.isValid());
    EXPECT_EQ(0, frame.width());
    EXPECT_EQ(0, frame.height());
    EXPECT_EQ(nullptr, frame.constBits());
    EXPECT_EQ(nullptr, frame.bits());
    EXPECT_EQ(0, frame.bytesPerLine());
    EXPECT_LT(frame.timestamp(), 0);
    EXPECT_TRUE(frame.toImage().isNull());
}

TEST(VideoFrame, CopiesShareUntilWritten) {
    VideoFrame a(4, 2, VideoFormat::Format_BGRA32, QByteArray(4 * 2 * 4, '\x11'));
    ASSERT_TRUE(a.isValid());
    VideoFrame b = a;
    EXPECT_EQ(a.constBits(), b.constBits());
    b.bits()[0] = 0x22;
    EXPECT_NE(a.constBits(), b.constBits());
    EXPECT_EQ(0x11, a.constBits()[0]);
    EXPECT_EQ(0x22, b.constBits()[0]);
    b.setTimestamp(1.5);
    EXPECT_LT(a.timestamp(), 0);
    EXPECT_DOUBLE_EQ(1.5, b.timestamp());
}

TEST(VideoFrame, SizesAndDataAreChecked) {
    struct Case {
        int w, h;
        VideoFormat::PixelFormat format;
        int dataBytes;  // -1: no data
        bool valid;
    };
    const Case cases[] = {
        {4, 2, VideoFormat::Format_BGRA32, 32, true},
        {4, 2, VideoFormat::Format_BGRA32, 31, false},
        {4, 2, VideoFormat::Format_BGRA32, -1, true},
        {5, 3, VideoFormat::Format_YUV420P, 15 + 2 * 3 * 2, true},  // chroma 3x2
        {5, 3, VideoFormat::Format_YUV420P, 15, false},
        {0, 2, VideoFormat::Format_BGRA32, -1, false},
        {-4, 2, VideoFormat::Format_BGRA32, -1, false},
        {100000, 100000, VideoFormat::Format_BGRA32, -1, false},
        {8192, 1, VideoFormat::Format_BGRA32, -1, true},  // at the picture limit
        {1, 8193, VideoFormat::Format_BGRA32, -1, false},
        {8193, 1, VideoFormat::Format_BGRA32, -1, false},
        {4, 2, VideoFormat::Format_Invalid, -1, false},
    };
    for (const Case& c : cases) {
        const QByteArray data = c.dataBytes < 0 ? QByteArray() : QByteArray(c.dataBytes, '\x40');
        VideoFrame frame(c.w, c.h, c.format, data);
        EXPECT_EQ(c.valid, frame.isValid()) << c.w << "x" << c.h << " bytes " << c.dataBytes;
    }
}

TEST(VideoFrame, PlanesOfYuvAreTightlyPacked) {
    VideoFrame frame(5, 3, VideoFormat::Format_YUV420P);
    ASSERT_TRUE(frame.isValid());
    EXPECT_EQ(3, frame.planeCount());
    EXPECT_EQ(5, frame.bytesPerLine(0));
    EXPECT_EQ(3, frame.bytesPerLine(1));
    EXPECT_EQ(3, frame.bytesPerLine(2));
    EXPECT_EQ(0, frame.bytesPerLine(3));
    EXPECT_EQ(nullptr, frame.constBits(3));
    EXPECT_EQ(0, frame.constBits(0)[14]);
}

TEST(VideoFrame, ImageRoundTripKeepsBgraBytes) {
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 0));
    image.setPixel(2, 1, qRgb(0, 0, 255));
    VideoFrame frame(image);
    ASSERT_TRUE(frame.isValid());
    EXPECT_EQ(VideoFormat::Format_BGRA32, frame.pixelFormat());
    EXPECT_EQ(12, frame.bytesPerLine());
    const uchar* p = frame.constBits();
    EXPECT_EQ(0x00, p[0]);
    EXPECT_EQ(0x00, p[1]);
    EXPECT_EQ(0xff, p[2]);
    EXPECT_EQ(0xff, p[3]);
    const uchar* blue = frame.constBits() + frame.bytesPerLine() + 8;
    EXPECT_EQ(0xff, blue[0]);
    EXPECT_EQ(0x00, blue[2]);
    EXPECT_EQ(image.convertToFormat(QImage::Format_ARGB32), frame.toImage());
}

TEST(VideoFormat, NamedFormatsMapBothWays) {
    for (VideoFormat::PixelFormat f :
         {VideoFormat::Format_ARGB32, VideoFormat::Format_BGRA32, VideoFormat::Format_RGBA32,
          VideoFormat::Format_RGB24, VideoFormat::Format_YUV420P, VideoFormat::Format_NV12}) {
        const VideoFormat format(f);
        ASSERT_TRUE(format.isValid()) << f;
        EXPECT_EQ(f, VideoFormat::fromFFmpeg(format.pixelFormatFFmpeg()).pixelFormat());
    }
    EXPECT_EQ(1, int(VideoFormat::Format_RGB32));
    EXPECT_EQ(32, VideoFormat(VideoFormat::Format_BGRA32).bitsPerPixel());
    EXPECT_EQ(12, VideoFormat(VideoFormat::Format_YUV420P).bitsPerPixel());
    EXPECT_TRUE(VideoFormat(VideoFormat::Format_BGRA32).isRGB());
    EXPECT_FALSE(VideoFormat(VideoFormat::Format_YUV420P).isRGB());
    EXPECT_FALSE(VideoFormat::fromFFmpeg(-1).isValid());
    EXPECT_FALSE(VideoFormat::fromFFmpeg(100000).isValid());
    EXPECT_EQ(VideoFormat::Format_Invalid, VideoFormat().pixelFormat());
}

TEST(VideoFrame, QueuedSignalCarriesTheFrameAcrossThreads) {
    QtAV::registerMetaTypes();
    EXPECT_NE(0, QMetaType::type("QtAV::VideoFrame"));
    FrameSender sender;
    VideoFrame received;
    QEventLoop loop;
    QObject::connect(
        &sender, &FrameSender::frameReady, &loop, [&](const VideoFrame& f) { received = f; },
        Qt::QueuedConnection);
    // Connected by signature text, as callers of the layer do.
    ASSERT_TRUE(
        QObject::connect(&sender, SIGNAL(frameReady(QtAV::VideoFrame)), &loop, SLOT(quit())));
    std::thread worker([&] {
        VideoFrame frame(2, 2, VideoFormat::Format_BGRA32);
        frame.setTimestamp(0.25);
        emit sender.frameReady(frame);
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    worker.join();
    ASSERT_TRUE(received.isValid());
    EXPECT_DOUBLE_EQ(0.25, received.timestamp());
}

#include "VideoFrameGTest.moc"

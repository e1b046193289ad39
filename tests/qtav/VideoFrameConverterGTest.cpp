#include <cstdlib>

#include <gtest/gtest.h>
#include <QByteArray>

#include "VideoFrameConverter.h"

using QtAV::VideoFormat;
using QtAV::VideoFrame;
using QtAV::VideoFrameConverter;

namespace {

// A frame of one colour given as BT.601 limited-range Y, U, V (or R, G, B for RGB formats).
VideoFrame solidFrame(int w, int h, VideoFormat::PixelFormat format, int c0, int c1, int c2) {
    QByteArray data;
    const int cw = (w + 1) / 2;
    const int ch = (h + 1) / 2;
    switch (format) {
        case VideoFormat::Format_YUV420P:
            data = QByteArray(w * h, char(c0)) + QByteArray(cw * ch, char(c1)) +
                   QByteArray(cw * ch, char(c2));
            break;
        case VideoFormat::Format_NV12:
            data = QByteArray(w * h, char(c0));
            for (int i = 0; i < cw * ch; ++i) data.append(char(c1)).append(char(c2));
            break;
        case VideoFormat::Format_RGB24:
            for (int i = 0; i < w * h; ++i) data.append(char(c0)).append(char(c1)).append(char(c2));
            break;
        default:
            break;
    }
    return VideoFrame(w, h, format, data);
}

bool near(int expected, int actual) { return std::abs(expected - actual) <= 3; }

}  // namespace

TEST(VideoFrameConverter, RedBecomesBgraWithPackedRows) {
    struct Case {
        VideoFormat::PixelFormat format;
        int c0, c1, c2;
    };
    // Pure red: BT.601 limited range Y 81, U 90, V 240; RGB 255, 0, 0.
    const Case cases[] = {
        {VideoFormat::Format_YUV420P, 81, 90, 240},
        {VideoFormat::Format_NV12, 81, 90, 240},
        {VideoFormat::Format_RGB24, 255, 0, 0},
    };
    VideoFrameConverter converter;
    for (const Case& c : cases) {
        for (int width : {2, 34, 68, 1001}) {
            VideoFrame source = solidFrame(width, 6, c.format, c.c0, c.c1, c.c2);
            source.setTimestamp(2.5);
            ASSERT_TRUE(source.isValid());
            const VideoFrame bgra = converter.convert(source, VideoFormat::Format_BGRA32);
            ASSERT_TRUE(bgra.isValid()) << c.format << " width " << width;
            EXPECT_EQ(VideoFormat::Format_BGRA32, bgra.pixelFormat());
            EXPECT_EQ(width * 4, bgra.bytesPerLine()) << width;
            EXPECT_EQ(source.size(), bgra.size());
            EXPECT_DOUBLE_EQ(2.5, bgra.timestamp());
            const uchar* last = bgra.constBits() + 5 * bgra.bytesPerLine() + (width - 1) * 4;
            for (const uchar* p : {bgra.constBits(), last}) {
                EXPECT_TRUE(near(0x00, p[0]) && near(0x00, p[1]) && near(0xff, p[2]))
                    << c.format << " width " << width << ": " << int(p[0]) << " " << int(p[1])
                    << " " << int(p[2]);
                EXPECT_EQ(0xff, p[3]);
            }
        }
    }
}

TEST(VideoFrameConverter, SameFormatPackedIsShared) {
    const VideoFrame source(8, 2, VideoFormat::Format_BGRA32, QByteArray(64, '\x7f'));
    const VideoFrame result = VideoFrameConverter().convert(source, VideoFormat::Format_BGRA32);
    EXPECT_EQ(source.constBits(), result.constBits());
}

TEST(VideoFrameConverter, InvalidInputGivesInvalidFrame) {
    VideoFrameConverter converter;
    EXPECT_FALSE(converter.convert(VideoFrame(), VideoFormat::Format_BGRA32).isValid());
    const VideoFrame source(8, 2, VideoFormat::Format_BGRA32);
    const VideoFrame none = converter.convert(source, VideoFormat::Format_Invalid);
    EXPECT_FALSE(none.isValid());
    EXPECT_EQ(0, none.width());
    EXPECT_EQ(0, none.height());
}

TEST(VideoFrameConverter, ConsecutiveResultsStayIndependent) {
    VideoFrameConverter converter;
    const VideoFrame first = converter.convert(
        solidFrame(16, 4, VideoFormat::Format_RGB24, 255, 0, 0), VideoFormat::Format_BGRA32);
    const VideoFrame second = converter.convert(
        solidFrame(16, 4, VideoFormat::Format_RGB24, 0, 0, 255), VideoFormat::Format_BGRA32);
    ASSERT_TRUE(first.isValid() && second.isValid());
    EXPECT_NE(first.constBits(), second.constBits());
    EXPECT_EQ(0xff, first.constBits()[2]);
    EXPECT_EQ(0xff, second.constBits()[0]);
}

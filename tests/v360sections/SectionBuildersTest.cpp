// Section builders one by one: the transition-progress table, frame counts, the square window,
// the fixed-angle lookup, photo loading, feeder sharing and preparation failures.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QPointer>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "Dewarp360.h"
#include "EventWait.h"
#include "ExtVideoRotationFeederFactory.h"
#include "ImageBufferUtil.h"
#include "LogCapture.h"
#include "NoEyeRotationFeeder.h"
#include "SectionFixtures.h"
#include "SectionTest.h"
#include "V360DispatchThread.h"
#include "V360EndSectionBuilder.h"
#include "V360FixAngleVideoSectionBuilder.h"
#include "V360PhotoSectionBuilder.h"
#include "V360SquareVideoSectionBuilder.h"
#include "V360TitleSectionBuilder.h"
#include "V360VideoPrepareTask.h"
#include "V360VideoSectionBuilder.h"
#include "Video360GeneratorHelper.h"
#include "VideoSimple360Generator.h"

using namespace SectionFixtures;
using namespace SectionTest;

namespace {

bool near(uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)) > 24) return false;
    return true;
}

// Share of the pixels near `colour`.
double shareOf(const Frame& frame, uint32_t colour) {
    size_t n = 0;
    for (uint32_t p : frame) n += near(p, colour);
    return double(n) / frame.size();
}

V360VideoSectionBuilder* videoSection(const QString& clip, double end, V360Transitor* first,
                                      V360Transitor* second, const QString& leadIn = "",
                                      const QString& leadOut = "") {
    return new V360VideoSectionBuilder(kW, kH, clip, "", 0, 0, 0, end, leadIn, leadOut, first,
                                       second, "", -1, -1, -1);
}

}  // namespace

TEST_F(Sections, HalfTransitionsRunOverTheFirstAndLastFifteenFrames) {
    const QString dir = folder("transitions");
    const QString clip = solidClip(dir + "/clip.mp4", 64, 64, Qt::gray, 2, 0);
    const QString leadIn = solidImage(dir + "/in.png", kW, kH, Qt::red);
    const QString leadOut = solidImage(dir + "/out.png", kW, kH, Qt::blue);
    SpyTransitor first(kW, kH), second(kW, kH);
    struct Case {
        const char* name;
        std::unique_ptr<V360SectionBuilder> section;
        int frames;
    } cases[] = {
        {"video",
         std::unique_ptr<V360SectionBuilder>(
             videoSection(clip, 40 / 27.0, &first, &second, leadIn, leadOut)),
         40},
        {"photo",
         std::unique_ptr<V360SectionBuilder>(new V360PhotoSectionBuilder(
             kW, kH, solidImage(dir + "/photo.jpg", 300, 300, Qt::green), "", 4.0, leadIn, leadOut,
             &first, &second, -1, -1, -1)),
         120},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.frames, c.section->totalFrames());
        ASSERT_EQ(0, c.section->prepare());
        ASSERT_EQ(c.frames, runFrames(*c.section));
        const std::vector<Call> in = first.take(), out = second.take();
        ASSERT_EQ(15u, in.size());
        ASSERT_EQ(15u, out.size());
        for (int k = 0; k < 15; ++k) {
            EXPECT_NEAR(0.5 + k / 30.0, in[k].progress, 1e-9) << k;
            EXPECT_NEAR(k / 30.0, out[k].progress, 1e-9) << k;
            EXPECT_NE(nullptr, in[k].src1);  // the lead-in picture
            EXPECT_EQ(in[k].dst, in[k].src2);
            EXPECT_EQ(out[k].dst, out[k].src1);
            EXPECT_NE(nullptr, out[k].src2);  // the lead-out picture
        }
        EXPECT_NEAR(0.9667, in.back().progress, 1e-4);
        EXPECT_NEAR(0.4667, out.back().progress, 1e-4);
        c.section->releaseAllDecodeDewarpResource();
    }
}

TEST_F(Sections, TitleAndEndPlayTheirTitleFromZeroToOne) {
    SpyTransitor title(kW, kH);
    V360TitleSectionBuilder titleSection(kW, kH, &title, "", nullptr, 2.5);
    V360EndSectionBuilder endSection(kW, kH, &title, "", nullptr);
    const struct {
        V360SectionBuilder* section;
        int frames;
    } cases[] = {{&titleSection, 75}, {&endSection, 90}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.frames, c.section->totalFrames());
        ASSERT_EQ(0, c.section->prepare());
        ASSERT_EQ(c.frames, runFrames(*c.section));
        const std::vector<Call> calls = title.take();
        ASSERT_EQ(size_t(c.frames), calls.size());
        for (int k = 0; k < c.frames; ++k) {
            EXPECT_DOUBLE_EQ(double(k) / c.frames, calls[k].progress);
            EXPECT_EQ(nullptr, calls[k].src1);
            EXPECT_EQ(nullptr, calls[k].src2);
        }
    }
}

TEST(ImageBufferUtil, CropCopiesOnlyWindowsInsideTheSource) {
    const int sw = 8, sh = 6;
    std::vector<uint32_t> src(sw * sh);
    for (int i = 0; i < sw * sh; ++i) src[i] = 0xFF000000u | i;
    const struct {
        int x, y, w, h;
        bool copies;
    } cases[] = {
        {0, 0, 8, 6, true},  {3, 2, 5, 4, true},   {4, 0, 5, 2, false},  {0, 3, 2, 4, false},
        {1, 1, 2, 0, false}, {-1, 0, 2, 2, false}, {0, -1, 2, 2, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.w << "x" << c.h);
        std::vector<uint32_t> dst(64, 0xABABABABu);
        EXPECT_EQ(c.copies,
                  ImageBufferUtil::crop(src.data(), sw, sh, dst.data(), c.x, c.y, c.w, c.h));
        if (!c.copies) {
            EXPECT_EQ(std::vector<uint32_t>(64, 0xABABABABu), dst);
            continue;
        }
        for (int r = 0; r < c.h; ++r)
            for (int k = 0; k < c.w; ++k)
                ASSERT_EQ(src[(c.y + r) * sw + c.x + k], dst[r * c.w + k]) << r << "," << k;
        EXPECT_EQ(0xABABABABu, dst[c.w * c.h]);
    }
}

TEST_F(Sections, SquareWindowCopiesTheFrameAndStaysInsideTheSource) {
    const QString clip = patternClip(folder("square") + "/pattern.mp4", kW, kH, 0.2);
    V360SquareVideoSectionBuilder whole(kW, kH, clip, 0.5f, 0.5f, -1, -1);
    ASSERT_EQ(0, whole.prepare());
    void* src = whole.prepareSrcFrame(0);
    ASSERT_NE(nullptr, src);
    Frame dst(kW * kH, 0xABABABABu);
    whole.dewarp(0, src, dst.data());
    EXPECT_EQ(0, std::memcmp(src, dst.data(), dst.size() * 4));
    whole.releaseSrcFrame(src);

    // Half-size windows: centred, and pushed back inside at the edges.
    const struct {
        float fx, fy;
        int x, y;
    } windows[] = {{0.5f, 0.5f, 16, 8}, {0.9f, 0.95f, 32, 16}, {0.0f, 0.1f, 0, 0}};
    for (const auto& w : windows) {
        V360SquareVideoSectionBuilder part(kW / 2, kH / 2, clip, w.fx, w.fy, -1, -1);
        ASSERT_EQ(0, part.prepare());
        EXPECT_EQ(w.x, part.cropX());
        EXPECT_EQ(w.y, part.cropY());
    }
    V360SquareVideoSectionBuilder larger(kW * 2, kH, clip, 0.5f, 0.5f, -1, -1);
    EXPECT_EQ(-4, larger.prepare());
}

TEST_F(Sections, FixAngleLooksUpTheEquirectangularSourceWithinItsBounds) {
    const QString clip =
        halvesClip(folder("fixangle") + "/halves.mp4", 128, 64, Qt::red, Qt::blue, 0.2);
    const struct {
        float angle1;
        uint32_t centre;  // BGRA word at the view centre
        double latitude;
    } views[] = {{90, 0xFF0000FF, -90}, {-90, 0xFFFF0000, 90}, {0, 0, 0}};
    for (const auto& v : views) {
        SCOPED_TRACE(v.angle1);
        V360FixAngleVideoSectionBuilder section(kW, kH, clip, 30, v.angle1, 0, -1, -1);
        ASSERT_EQ(0, section.prepare());
        double latitude = 1, longitude = 1;
        EXPECT_NEAR(0, section.toCoordinate(kW / 2, kH / 2, &latitude, &longitude), 1e-9);
        EXPECT_NEAR(v.latitude, latitude, 1e-9);
        const std::vector<int32_t>& table = section.lookupTable();
        for (int32_t index : table) {
            ASSERT_GE(index, 0);
            ASSERT_LT(index, 128 * 64);
        }
        // Straight down lands on the last row (unclamped: one past it), straight up on the first.
        const int32_t centre = table[(kH / 2) * kW + kW / 2 - 1];
        if (v.latitude < 0) {
            EXPECT_EQ(63 * 128 + 64, centre);
        }
        if (v.latitude > 0) {
            EXPECT_EQ(64, centre);
        }
        void* src = section.prepareSrcFrame(0);
        ASSERT_NE(nullptr, src);
        Frame dst(kW * kH);
        section.dewarp(0, src, dst.data());
        if (v.centre) {
            EXPECT_TRUE(near(v.centre, dst[(kH / 2) * kW + kW / 2 - 1]));
        }
        section.releaseSrcFrame(src);
    }
}

TEST_F(Sections, PhotoThatDoesNotLoadFailsWithItsLogLine) {
    LogCapture& log = LogCapture::install();
    const QString dir = folder("badphoto");
    QFile corrupt(dir + "/corrupt.jpg");
    corrupt.open(QIODevice::WriteOnly);
    corrupt.write("\xFF\xD8\xFF\xE0 not really a picture");
    corrupt.close();
    for (const QString& path : {dir + "/missing.jpg", corrupt.fileName()}) {
        log.clear();
        V360PhotoSectionBuilder section(kW, kH, path, "", 1.0, "", "", nullptr, nullptr, -1, -1,
                                        -1);
        EXPECT_EQ(-7, section.prepare());
        EXPECT_TRUE(
            log.contains("V360PSB", "Can not load image from file path: " + path.toStdString()));
        EXPECT_EQ(nullptr, section.prepareSrcFrame(0));
    }
}

TEST_F(Sections, PhotoOfAnotherSizeIsScaledOrRefused) {
    const QString dir = folder("photosizes");
    const struct { int w, h, result; } cases[] = {{300, 300, 0}, {3000, 3000, 0}, {300, 200, -4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        const QString path = solidImage(QString("%1/%2x%3.jpg").arg(dir).arg(c.w).arg(c.h), c.w,
                                        c.h, QColor(40, 200, 90));
        V360PhotoSectionBuilder section(kW, kH, path, "", 1.0, "", "", nullptr, nullptr, -1, -1,
                                        -1);
        ASSERT_EQ(c.result, section.prepare());
        if (c.result != 0) continue;
        Frame last;
        ASSERT_EQ(30, runFrames(section, &last));
        // The lens sees more than half of the sphere; the rest is opaque black.
        EXPECT_GT(shareOf(last, 0xFF28C85A), 0.5);
        EXPECT_NEAR(1.0, shareOf(last, 0xFF28C85A) + shareOf(last, 0xFF000000), 0.02);
    }
}

// A JPEG of headers only that declares 20000x20000 pixels (1.6 GB as ARGB): refused before
// any decoding.
TEST_F(Sections, PhotoDeclaringAHugeSizeIsRefusedUnread) {
    const QByteArray header = QByteArray::fromHex(
        "FFD8"                          // start of image
        "FFC00011084E204E20"            // baseline frame, 8 bits, 20000 x 20000
        "03012200021101031101"          // its three components
        "FFDA000C03010002110311003F00"  // start of scan
        "FFD9");
    const QString path = folder("hugephoto") + "/huge.jpg";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(header);
    file.close();
    V360PhotoSectionBuilder section(kW, kH, path, "", 1.0, "", "", nullptr, nullptr, -1, -1, -1);
    EXPECT_EQ(-4, section.prepare());
}

TEST_F(Sections, VideoSourceOfAnySizeIsDecodedAtTheFisheyeSize) {
    const QString dir = folder("smallvideo");
    const struct { int w, h; } sizes[] = {{96, 96}, {320, 240}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.w << "x" << size.h);
        const QString clip = solidClip(QString("%1/%2.mp4").arg(dir).arg(size.w), size.w, size.h,
                                       QColor(200, 60, 30), 0.2, 0);
        std::unique_ptr<V360VideoSectionBuilder> section(videoSection(clip, -1, nullptr, nullptr));
        ASSERT_EQ(0, section->prepare());
        Frame last;
        EXPECT_EQ(section->totalFrames(), runFrames(*section, &last));
        EXPECT_GT(shareOf(last, 0xFFC83C1E), 0.5);
    }
}

TEST_F(Sections, UnopenableSourceFailsPreparationAndTheJob) {
    const QString dir = folder("unopenable");
    QFile bogus(dir + "/bogus.mp4");
    bogus.open(QIODevice::WriteOnly);
    bogus.write("not a video");
    bogus.close();
    const QString clip = solidClip(dir + "/clip.mp4", 64, 64, Qt::gray, 0.2, 0);
    for (const QString& path : {dir + "/missing.mp4", bogus.fileName()}) {
        SCOPED_TRACE(path.toStdString());
        // A range given, so the length probe does not decide it.
        V360FixAngleVideoSectionBuilder fixAngle(kW, kH, path, 10, 0, 0, 0, 1);
        V360SquareVideoSectionBuilder square(kW, kH, path, 0.5f, 0.5f, 0, 1);
        std::unique_ptr<V360VideoSectionBuilder> video(videoSection(path, 1, nullptr, nullptr));
        for (V360SectionBuilder* section :
             std::initializer_list<V360SectionBuilder*>{&fixAngle, &square, video.get()})
            EXPECT_LT(section->prepare(), 0);
    }
    VideoSimple360Generator generator(dir + "/out.mp4", kW, kH, 1000000, "", 1.0, -1, -1, -1, dir);
    int failed = 1;
    bool finished = false;
    QObject::connect(&generator, &VideoSimple360Generator::videoGenerationFailed,
                     [&](int code) { failed = code; });
    QObject::connect(&generator, &VideoSimple360Generator::videoGenerationFinished,
                     [&](QString) { finished = true; });
    generator.addV360SectionBuilder(
        new V360SquareVideoSectionBuilder(kW, kH, dir + "/missing.mp4", 0.5f, 0.5f, 0, 1));
    generator.closeVideoGeneration();
    ASSERT_TRUE(EventWait::waitFor([&] { return failed != 1 || finished; }, 30000));
    EXPECT_FALSE(finished);
    EXPECT_EQ(-30, failed);
}

namespace {

// Counts the feeders made and deleted.
struct CountingFeeder : NoEyeRotationFeeder {
    explicit CountingFeeder(int* alive) : NoEyeRotationFeeder(1), alive(alive) { ++*alive; }
    ~CountingFeeder() override { --*alive; }
    int* alive;
};

struct CountingFactory : ExtVideoRotationFeederFactory {
    VideoRotationFeeder* onFeederCreated(VideoRotationFeeder* feeder) override {
        delete feeder;
        return new CountingFeeder(&alive);
    }
    int alive = 0;
};

}  // namespace

TEST_F(Sections, SubVideosShareTheMastersFeeder) {
    CountingFactory factory;
    VideoRotationFeeder::setExtRotationFeederFactory(&factory);
    const QString clip = solidClip(folder("subvideos") + "/clip.mp4", 64, 64, Qt::gray, 0.2, 0);
    std::unique_ptr<V360VideoSectionBuilder> master(videoSection(clip, -1, nullptr, nullptr)),
        middle(videoSection(clip, -1, nullptr, nullptr)),
        last(videoSection(clip, -1, nullptr, nullptr)),
        orphan(videoSection(clip, -1, nullptr, nullptr));
    master->setSubVideoFlags(0x01);
    middle->setSubVideoFlags(0);
    last->setSubVideoFlags(0x02);
    orphan->setSubVideoFlags(0);
    middle->setMasterBuilder(master.get());
    last->setMasterBuilder(master.get());
    // No master, or one not prepared yet: refused instead of a null feeder.
    EXPECT_EQ(-4, orphan->prepare());
    EXPECT_EQ(-4, middle->prepare());
    middle.reset(videoSection(clip, -1, nullptr, nullptr));
    middle->setSubVideoFlags(0);
    middle->setMasterBuilder(master.get());

    ASSERT_EQ(0, master->prepare());
    EXPECT_EQ(1, factory.alive);
    EXPECT_EQ(master->totalFrames(), runFrames(*master));
    master->releaseAllDecodeDewarpResource();
    for (V360VideoSectionBuilder* sub : {middle.get(), last.get()}) {
        ASSERT_EQ(0, sub->prepare());
        EXPECT_EQ(master->rotationFeeder(), sub->rotationFeeder());
        EXPECT_EQ(sub->totalFrames(), runFrames(*sub));
        EXPECT_EQ(1, factory.alive);
        sub->releaseAllDecodeDewarpResource();
    }
    EXPECT_EQ(0, factory.alive);  // deleted by the last sub-video, once
    VideoRotationFeeder::setExtRotationFeederFactory(nullptr);
}

TEST_F(Sections, PrepareTaskMarksTheSectionPreparedAndDeletesItself) {
    const QString dir = folder("preparetask");
    std::unique_ptr<V360DispatchThread> owner = ownerIn(dir);
    std::unique_ptr<V360VideoSectionBuilder> section(
        videoSection(solidClip(dir + "/clip.mp4", 64, 64, Qt::gray, 0.2, 0), -1, nullptr, nullptr));
    section->owner = owner.get();
    int prepared = 0;
    QObject::connect(owner.get(), &V360DispatchThread::eBuilderPrepared, [&] { ++prepared; });
    NoEyeRotationFeeder feeder(1);
    QPointer<V360VideoPrepareTask> task(new V360VideoPrepareTask(section.get(), &feeder, 0, -1));
    task->start();
    ASSERT_TRUE(EventWait::waitFor([&] { return task.isNull(); }, 10000));
    EXPECT_EQ(1, prepared);
    EXPECT_EQ(V360VideoSectionBuilder::kPrepared, section->preparationState());
    EXPECT_EQ(0, section->prepare());
}

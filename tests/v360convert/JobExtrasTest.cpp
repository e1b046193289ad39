// What a job adds to its frames and streams, checked on the output: a text overlay inside its
// time range only, the comment in the container, the music as the sound track.
#include <gtest/gtest.h>

#include <QDir>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "BaseStyledText.h"
#include "ConvertTestMedia.h"
#include "TestEnv.h"
#include "Text360Info.h"
#include "V360DispatchThread.h"
#include "V360SectionBuilder.h"
#include "Video360GeneratorHelper.h"
#include "VideoSimple360Generator.h"

using namespace ConvertTestMedia;

namespace {

const int kW = 768, kH = 384, kGrey = 100;

// Frames of one grey.
class FlatBuilder : public V360SectionBuilder {
  public:
    explicit FlatBuilder(int frames)
        : V360SectionBuilder(kW, kH, "", "", nullptr, nullptr), frames(frames) {}
    int totalFrames() override { return frames; }
    void* prepareSrcFrame(int index) override { return index < frames ? &source : nullptr; }
    int dewarp(int, void*, void* dst) override {
        std::memset(dst, kGrey, static_cast<size_t>(kW) * kH * 4);
        return 0;
    }
    void releaseSrcFrame(void*) override {}

  private:
    const int frames;
    int source = 0;
};

QString dir(const char* name) { return QString::fromStdString(TestEnv::makeDir(name)); }

int runJob(VideoSimple360Generator* generator, int frames) {
    generator->setShouldAutoDelete(true);
    generator->addV360SectionBuilder(new FlatBuilder(frames));
    generator->closeVideoGeneration();
    return ConvertTestMedia::runJob(generator);
}

}  // namespace

TEST(JobExtras, TextOverlayOnlyInsideItsTimeRange) {
    BaseStyledText::registerFonts();
    const QString folder = dir("text");
    const QString out = folder + "/out.mp4";
    auto* generator =
        new VideoSimple360Generator(out, kW, kH, 4000000, "", 1.0, -1, -1, -1, folder);
    // Frame n is drawn at n / 30 s: frames 0 to 15 lie in [0, 0.5].
    List<Text360Info*> texts;
    texts.append(new Text360Info("Hello", 1, 0, 0.5));
    Video360GeneratorHelper::getHelper()->setTextInfos(texts);
    ASSERT_EQ(runJob(generator, 24), 0);
    const QByteArray grey =
        run("ffmpeg", {"-v", "error", "-i", out, "-f", "rawvideo", "-pix_fmt", "gray", "-"});
    ASSERT_EQ(grey.size(), 24 * kW * kH);
    for (int k = 0; k < 24; ++k) {
        int apart = 0;
        for (int i = 0; i < kW * kH; ++i)
            apart = std::max(apart, std::abs(uint8_t(grey[k * kW * kH + i]) - kGrey));
        if (k <= 15)
            EXPECT_GT(apart, 40) << "frame " << k;
        else
            EXPECT_LT(apart, 8) << "frame " << k;
    }
}

TEST(JobExtras, CommentInTheContainerAndMusicAsTheSound) {
    const QString folder = dir("music");
    const QString music = folder + "/tone.m4a";
    run("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=1000:d=4", "-c:a",
                   "aac", music});
    const QString out = folder + "/out.mp4";
    // Muted: the music alone is the sound, cut to the frames at 30 a second.
    auto* generator =
        new VideoSimple360Generator(out, kW, kH, 4000000, "", 0, 1234567, 42, 1, folder);
    generator->dispatchThread()->setMusicSource(music, 0, 0, 1.0, false);
    ASSERT_EQ(runJob(generator, 45), 0);
    EXPECT_EQ(run("ffprobe", {"-v", "error", "-show_entries", "format_tags=comment", "-of",
                              "default=nw=1:nk=1", out})
                  .trimmed()
                  .toStdString(),
              "P: 1234567(+00:00) 42,2000");
    const QByteArray raw =
        run("ffmpeg", {"-v", "error", "-i", out, "-f", "s16le", "-ac", "1", "-ar", "44100", "-"});
    const auto* samples = reinterpret_cast<const int16_t*>(raw.constData());
    const int count = raw.size() / 2;
    EXPECT_NEAR(count / 44100.0, 1.5, 0.05);
    // A 1000 Hz tone crosses zero 2000 times a second.
    int crossings = 0;
    for (int i = 1; i < count; ++i) crossings += (samples[i - 1] < 0) != (samples[i] < 0);
    EXPECT_NEAR(crossings / (count / 44100.0), 2000, 60);
}

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <sys/resource.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "ConvertTestMedia.h"
#include "EventWait.h"
#include "LogCapture.h"
#include "MovieFixtures.h"
#include "RecordingWriter.h"
#include "SectionVideoSource.h"
#include "TestEnv.h"
#include "V360DispatchThread.h"
#include "V360PanoramaVideoSectionBuilder.h"
#include "V360SectionBuilder.h"
#include "VideoSimple360Generator.h"

using namespace ConvertTestMedia;

namespace {

const int kW = 256;
const int kH = 128;

// Frame k is grey 8 + 8k, after a random sleep, so frames finish out of order.
class GreyBuilder : public V360SectionBuilder {
  public:
    explicit GreyBuilder(int frames)
        : V360SectionBuilder(kW, kH, "", "", nullptr, nullptr), frames(frames) {}
    int totalFrames() override { return frames; }
    void* prepareSrcFrame(int index) override { return index < frames ? &source : nullptr; }
    int dewarp(int index, void*, void* dst) override {
        inFlight++;
        QThread::msleep(std::uniform_int_distribution<int>(0, 30)(random()));
        std::memset(dst, 8 + 8 * index, static_cast<size_t>(kW) * kH * 4);
        dewarps++;
        inFlight--;
        return 0;
    }
    void releaseSrcFrame(void*) override {}

    static std::mt19937& random() {
        thread_local std::mt19937 engine(std::random_device{}());
        return engine;
    }
    const int frames;
    int source = 0;
    std::atomic<int> dewarps{0};
    std::atomic<int> inFlight{0};
};

// Cancels its own job when its frames run out or when its sound is asked for.
class CancellingBuilder : public GreyBuilder {
  public:
    CancellingBuilder(int frames, bool atSound) : GreyBuilder(frames), atSound(atSound) {}
    void* prepareSrcFrame(int index) override {
        void* frame = GreyBuilder::prepareSrcFrame(index);
        if (!frame && !atSound) cancel();
        return frame;
    }
    Sound takeSound() override {
        Sound noise = GreyBuilder::takeSound();
        if (!atSound) return noise;
        V360DispatchThread* job = owner;
        return [job, noise](const QString& outPath, double volume) {
            job->cancelVideoGeneration();
            return noise(outPath, volume);
        };
    }

  private:
    void cancel() {
        if (!cancelled.exchange(true)) owner->cancelVideoGeneration();
    }
    const bool atSound;
    std::atomic<bool> cancelled{false};
};

// A grey section that fails: its prepare with `prepareCode`, or after `goodFrames` frames a
// frame without pixels.
class FailingBuilder : public GreyBuilder {
  public:
    FailingBuilder(int prepareCode, int goodFrames)
        : GreyBuilder(100), prepareCode(prepareCode), goodFrames(goodFrames) {}
    int prepare() override { return prepareCode != 0 ? prepareCode : GreyBuilder::prepare(); }
    void* prepareSrcFrame(int index) override {
        if (index < goodFrames) return GreyBuilder::prepareSrcFrame(index);
        failure = -6;
        return nullptr;
    }
    const int prepareCode;
    const int goodFrames;
};

// Frames of noise that no codec compresses much.
class NoiseBuilder : public GreyBuilder {
  public:
    using GreyBuilder::GreyBuilder;
    int dewarp(int index, void*, void* dst) override {
        std::mt19937 engine(index);
        auto* words = static_cast<uint32_t*>(dst);
        for (int i = 0; i < kW * kH; ++i) words[i] = engine();
        dewarps++;
        return 0;
    }
};

// While it lives, no file of the process may grow past `bytes`: writes beyond fail as on a
// full disk (the signal that would end the process is ignored).
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit limited = old;
        limited.rlim_cur = bytes;
        previous = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);
    }

  private:
    rlimit old;
    void (*previous)(int);
};

struct Outcome {
    std::vector<float> progress;
    QString finished;
    int failed = 1;
    bool done() const { return !finished.isEmpty() || failed != 1; }
};

void watch(VideoSimple360Generator* generator, Outcome* outcome) {
    QObject::connect(generator, &VideoSimple360Generator::videoGenProgressUpdate,
                     [outcome](float p, float, int, int) { outcome->progress.push_back(p); });
    QObject::connect(generator, &VideoSimple360Generator::videoGenerationFinished,
                     [outcome](QString path) { outcome->finished = path; });
    QObject::connect(generator, &VideoSimple360Generator::videoGenerationFailed,
                     [outcome](int code) { outcome->failed = code; });
}

QString dir(const char* name) { return QString::fromStdString(TestEnv::makeDir(name)); }

std::vector<double> meanLumas(const QString& path) {
    const QByteArray raw =
        run("ffmpeg", {"-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "gray", "-"});
    std::vector<double> means;
    for (int at = 0; at + kW * kH <= raw.size(); at += kW * kH) {
        double sum = 0;
        for (int i = 0; i < kW * kH; ++i) sum += static_cast<unsigned char>(raw[at + i]);
        means.push_back(sum / (kW * kH));
    }
    return means;
}

// No private job folder is left in `folder` (a caller's or the temporary location).
bool tempFilesGone(const QString& folder) {
    return QDir(folder).entryList({"job-*", "UQO Studio-*"}, QDir::Dirs | QDir::Hidden).isEmpty();
}

}  // namespace

TEST(Generator, FramesEncodeInOrderWithProgressAndWhiteNoise) {
    const QString temp = dir("inorder");
    const QString out = temp + "/out.mp4";
    auto* generator = new VideoSimple360Generator(out, kW, kH, 2000000, "", 1.0, -1, -1, -1, temp);
    auto* builder = new GreyBuilder(30);
    Outcome outcome;
    watch(generator, &outcome);
    generator->setShouldAutoDelete(true);
    generator->addV360SectionBuilder(builder);
    generator->closeVideoGeneration();
    ASSERT_TRUE(EventWait::waitFor([&] { return outcome.done(); }, 120000));
    ASSERT_EQ(out, outcome.finished) << outcome.failed;
    const std::vector<double> lumas = meanLumas(out);
    ASSERT_EQ(30u, lumas.size());
    for (size_t k = 1; k < lumas.size(); ++k) EXPECT_GT(lumas[k], lumas[k - 1]) << k;
    ASSERT_GE(outcome.progress.size(), 4u);
    for (size_t i = 1; i < outcome.progress.size(); ++i)
        EXPECT_GT(outcome.progress[i], outcome.progress[i - 1]);
    const size_t n = outcome.progress.size();
    EXPECT_FLOAT_EQ(0.96f, outcome.progress[n - 4]);
    EXPECT_FLOAT_EQ(0.97f, outcome.progress[n - 3]);
    EXPECT_FLOAT_EQ(0.98f, outcome.progress[n - 2]);
    EXPECT_FLOAT_EQ(0.99f, outcome.progress[n - 1]);
    // The white-noise sound: 30 frames / 30 s.
    const double sound = run("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries",
                                         "stream=duration", "-of", "csv=p=0", out})
                             .toDouble();
    EXPECT_NEAR(1.0, sound, 0.1);
    EXPECT_TRUE(tempFilesGone(temp));
}

TEST(Generator, SetUpFailureFailsBeforeAnyDewarp) {
    const QString out = dir("setupfail") + "/out.mp4";
    const struct {
        const char* name;
        QString tempDir;
        int width, height;
        int code;
    } cases[] = {
        {"no private folder", "/proc/no/such/folder", kW, kH, -3},
        // Frames as large as the grey ones (no overflow if one were drawn).
        {"size the encoder refuses", dir("setupfail-size"), 8194, 4, -10},
        // 4 TiB a buffer: more than the machine can give.
        {"buffers that cannot be allocated", dir("setupfail-memory"), 1 << 20, 1 << 20, -6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* generator = new VideoSimple360Generator(out, c.width, c.height, 2000000, "", 1.0, -1,
                                                      -1, -1, c.tempDir);
        auto* builder = new GreyBuilder(10);
        Outcome outcome;
        watch(generator, &outcome);
        generator->addV360SectionBuilder(builder);
        generator->closeVideoGeneration();
        ASSERT_TRUE(EventWait::waitFor([&] { return outcome.done(); }, 30000));
        EXPECT_EQ(c.code, outcome.failed);
        EXPECT_EQ(0, builder->dewarps.load());
        delete generator;
    }
}

TEST(Generator, CancelFailsOnlyAfterFramesInFlightAreBack) {
    const QString temp = dir("cancel");
    auto* generator =
        new VideoSimple360Generator(temp + "/out.mp4", kW, kH, 2000000, "", 1.0, -1, -1, -1, temp);
    auto* builder = new GreyBuilder(100000);
    Outcome outcome;
    watch(generator, &outcome);
    generator->addV360SectionBuilder(builder);
    generator->closeVideoGeneration();
    ASSERT_TRUE(EventWait::waitFor([&] { return builder->dewarps.load() > 20; }, 30000));
    generator->cancelGeneration();
    const size_t seen = outcome.progress.size();
    ASSERT_TRUE(EventWait::waitFor([&] { return outcome.done(); }, 30000));
    EXPECT_EQ(-10002, outcome.failed);
    EXPECT_EQ(0, builder->inFlight.load());
    EXPECT_LE(outcome.progress.size(), seen);
    EXPECT_TRUE(tempFilesGone(temp));
    delete generator;
}

// However late a cancel comes before the result is told, it wins: the job fails with -10002
// and leaves neither the output nor anything in the job's folder.
TEST(Generator, CancelNearTheEndWinsAndLeavesNoFile) {
    LogCapture& log = LogCapture::install();
    enum When { kLastFrame, kSound, kAt99 };
    const struct {
        const char* name;
        When when;
    } cases[] = {
        {"after the last frame", kLastFrame},
        {"during the sound", kSound},
        {"at 99 %, after the mux", kAt99},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString temp = dir("latecancel");
        const QString out = temp + "/out.mp4";
        log.clear();
        auto* generator =
            new VideoSimple360Generator(out, kW, kH, 2000000, "", 1.0, -1, -1, -1, temp);
        auto* builder = c.when == kAt99 ? new GreyBuilder(12)
                                        : new CancellingBuilder(12, c.when == kSound);
        Outcome outcome;
        watch(generator, &outcome);
        if (c.when == kAt99)
            QObject::connect(generator, &VideoSimple360Generator::videoGenProgressUpdate,
                             [generator](float progress, float, int, int) {
                                 if (progress >= 0.99f) generator->cancelGeneration();
                             });
        generator->addV360SectionBuilder(builder);
        generator->closeVideoGeneration();
        ASSERT_TRUE(EventWait::waitFor([&] { return outcome.done(); }, 60000));
        EXPECT_EQ(-10002, outcome.failed);
        EXPECT_TRUE(outcome.finished.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(out));
        EXPECT_TRUE(QDir(temp).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
        if (c.when != kAt99) {
            for (const LogCapture::Line& line : log.lines()) {
                EXPECT_NE(line.tag, "ffmpegAVMuxer") << line.text;
                EXPECT_EQ(line.text.find("mergeAudioToVideo"), std::string::npos) << line.text;
            }
        }
        delete generator;
    }
}

TEST(Generator, FailingSectionsFailTheJobOnceTheirFramesAreBack) {
    LogCapture& log = LogCapture::install();
    const struct {
        const char* name;
        int prepareCode, goodFrames;
        int code;
        const char* line;
    } cases[] = {
        {"a frame without pixels", 0, 6, -6, "May receive out of memory when generate!"},
        {"a later section's prepare", -30, 0, -30, "builder prepare failed: -30"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        const QString temp = dir("failing");
        const QString out = temp + "/out.mp4";
        auto* generator =
            new VideoSimple360Generator(out, kW, kH, 2000000, "", 1.0, -1, -1, -1, temp);
        auto* first = new GreyBuilder(8);
        auto* failing = new FailingBuilder(c.prepareCode, c.goodFrames);
        Outcome outcome;
        watch(generator, &outcome);
        generator->addV360SectionBuilder(first);
        generator->addV360SectionBuilder(failing);
        generator->closeVideoGeneration();
        ASSERT_TRUE(EventWait::waitFor([&] { return outcome.done(); }, 60000));
        EXPECT_EQ(c.code, outcome.failed);
        EXPECT_TRUE(log.contains("V360DispatchThread", c.line));
        EXPECT_EQ(8, first->dewarps.load());
        EXPECT_EQ(c.goodFrames, failing->dewarps.load());
        EXPECT_EQ(0, first->inFlight.load() + failing->inFlight.load());
        EXPECT_FALSE(QFileInfo::exists(out));
        EXPECT_TRUE(tempFilesGone(temp));
        delete generator;
    }
}

TEST(Generator, EncoderFailingMidStreamFailsTheJobAndLeavesNoFile) {
    LogCapture& log = LogCapture::install();
    log.clear();
    const QString temp = dir("fulldisk");
    const QString out = temp + "/out.mp4";
    auto* generator = new VideoSimple360Generator(out, kW, kH, 2000000, "", 1.0, -1, -1, -1, temp);
    // About 10 kB a frame: the silent video passes the limit a few dozen frames in; the
    // white-noise copy (160 kB) would still fit.
    auto* builder = new NoiseBuilder(400);
    Outcome outcome;
    watch(generator, &outcome);
    {
        FileSizeLimit limit(200 * 1024);
        generator->addV360SectionBuilder(builder);
        generator->closeVideoGeneration();
        ASSERT_TRUE(EventWait::waitFor([&] { return outcome.done(); }, 60000));
    }
    EXPECT_EQ(-12, outcome.failed);
    EXPECT_TRUE(log.contains("FFMpegEncoder360G", "Could not write packet"));
    EXPECT_TRUE(log.contains("V360DispatchThread", "encode failed"));
    // Stopped where the file refused its frames, before the sound or the mux.
    EXPECT_LT(builder->dewarps.load(), 200);
    EXPECT_FALSE(log.contains("V360DispatchThread", "mergeAudioToVideo"));
    EXPECT_FALSE(QFileInfo::exists(out));
    EXPECT_TRUE(QDir(temp).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    delete generator;
}

TEST(Generator, RecordingWithoutSoundGetsWhiteNoiseOfItsLength) {
    const QString folder = dir("nosound");
    const std::string source = (folder + "/quiet.MOV").toStdString();
    recording::ClipOptions options;
    options.width = options.height = 160;
    options.seconds = 2;
    options.audio = false;
    ASSERT_TRUE(recording::writeRecording(source, options));
    const QString out = folder + "/out.mp4";
    Outcome outcome;
    watch(VideoSimple360Generator::genPanoramaVideo(QString::fromStdString(source), out, 256, 128,
                                                    -1, -1, -1, -1, -1),
          &outcome);
    ASSERT_TRUE(EventWait::waitFor([&] { return outcome.done(); }, 120000));
    ASSERT_EQ(out, outcome.finished) << outcome.failed;
    EXPECT_EQ(probe(out, "stream=nb_frames"), "54");
    const double sound = run("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries",
                                         "stream=duration", "-of", "csv=p=0", out})
                             .toDouble();
    EXPECT_NEAR(2.0, sound, 0.1);
    // Noise, not silence: the samples are far from zero.
    const QByteArray raw =
        run("ffmpeg", {"-v", "error", "-i", out, "-f", "s16le", "-ac", "1", "-"});
    double energy = 0;
    const auto* samples = reinterpret_cast<const int16_t*>(raw.constData());
    for (int i = 0; i < raw.size() / 2; ++i) energy += double(samples[i]) * samples[i];
    EXPECT_GT(energy / std::max(1, raw.size() / 2), 100.0);
}

// Sound files anywhere under `folder`.
QStringList soundFilesIn(const QString& folder) {
    QStringList found;
    QDirIterator files(folder, {"*.m4a"}, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) found << files.next();
    return found;
}

// The recording's sound does not wait for the frames: it is being taken once the section is
// prepared, before any frame is asked for, and the sound step hands that take over.
TEST(Generator, PanoramaTakesItsSoundBeforeAnyFrame) {
    const QString folder = dir("soundahead");
    const std::string source = (folder + "/clip.MOV").toStdString();
    recording::ClipOptions options;
    options.width = options.height = 160;
    options.seconds = 2;
    ASSERT_TRUE(recording::writeRecording(source, options));
    const QString temp = QDir::tempPath();
    V360PanoramaVideoSectionBuilder builder(kW, kH, QString::fromStdString(source), -1, -1, -1, -1,
                                            -1);
    ASSERT_EQ(0, builder.prepare());
    EXPECT_TRUE(EventWait::waitFor([&] { return !soundFilesIn(temp).isEmpty(); }, 30000));
    const QString sound = folder + "/sound.m4a";
    ASSERT_EQ(0, builder.extractAudioToSectionLength(sound, 1.0));
    EXPECT_NEAR(2.0,
                run("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries",
                                "stream=duration", "-of", "csv=p=0", sound})
                    .toDouble(),
                0.1);
    EXPECT_TRUE(soundFilesIn(temp).isEmpty());
}

TEST(Generator, DeletingMidJobWaitsForFramesInFlight) {
    const QString temp = dir("midjob");
    auto* generator =
        new VideoSimple360Generator(temp + "/out.mp4", kW, kH, 2000000, "", 1.0, -1, -1, -1, temp);
    auto* builder = new GreyBuilder(100000);
    generator->addV360SectionBuilder(builder);
    generator->closeVideoGeneration();
    ASSERT_TRUE(EventWait::waitFor([&] { return builder->dewarps.load() > 8; }, 30000));
    delete generator;  // must neither crash nor leave files behind
    EXPECT_TRUE(tempFilesGone(temp));
}

TEST(Generator, PanoramaEndToEndFromRecording) {
    const QString folder = dir("e2e");
    const std::string source = (folder + "/clip.MOV").toStdString();
    recording::ClipOptions options;
    options.width = 320;
    options.height = 320;
    options.seconds = 2;
    std::string error;
    ASSERT_TRUE(recording::writeRecording(source, options, &error)) << error;
    const QString out = folder + "/pano.mp4";
    auto* generator = VideoSimple360Generator::genPanoramaVideo(QString::fromStdString(source), out,
                                                                512, 256, -1, -1, -1, -1, -1);
    Outcome outcome;
    watch(generator, &outcome);
    ASSERT_TRUE(EventWait::waitFor([&] { return outcome.done(); }, 120000));
    ASSERT_EQ(out, outcome.finished) << outcome.failed;
    EXPECT_EQ("h264\nHigh\n51\n27/1\n54",
              probe(out, "stream=codec_name,profile,level,r_frame_rate,nb_frames").toStdString());
    EXPECT_EQ("aac", run("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries",
                                     "stream=codec_name", "-of", "csv=p=0", out})
                         .trimmed()
                         .toStdString());
    EXPECT_TRUE(tempFilesGone(QStandardPaths::writableLocation(QStandardPaths::TempLocation)));
}

TEST(Generator, TwoJobsAtOnceAndLinksUnderOldNamesLeftAlone) {
    const QString shared =
        QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/UQO Studio";
    QDir().mkpath(shared);
    const QString folder = dir("twojobs");
    const QString victim = folder + "/victim.txt";
    {
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep");
    }
    const QStringList oldNames = {"pureVideo.mp4", "withAudioVideo.mp4", "whiteNoise.mp3",
                                  "volumeReadyWN.m4a"};
    for (const QString& name : oldNames) {
        QFile::remove(shared + "/" + name);
        ASSERT_TRUE(QFile::link(victim, shared + "/" + name));
    }
    const std::string source = (folder + "/clip.MOV").toStdString();
    recording::ClipOptions options;
    options.width = options.height = 160;
    options.seconds = 1;
    ASSERT_TRUE(recording::writeRecording(source, options));
    Outcome first, second;
    watch(VideoSimple360Generator::genPanoramaVideo(
              QString::fromStdString(source), folder + "/a.mp4", 256, 128, -1, -1, -1, -1, -1),
          &first);
    watch(VideoSimple360Generator::genPanoramaVideo(
              QString::fromStdString(source), folder + "/b.mp4", 256, 128, -1, -1, -1, -1, -1),
          &second);
    ASSERT_TRUE(EventWait::waitFor([&] { return first.done() && second.done(); }, 120000));
    EXPECT_EQ(first.finished, folder + "/a.mp4") << first.failed;
    EXPECT_EQ(second.finished, folder + "/b.mp4") << second.failed;
    for (const char* name : {"/a.mp4", "/b.mp4"})
        EXPECT_EQ(probe(folder + name, "stream=nb_frames"), "27") << name;
    EXPECT_EQ(readAll(victim), "keep");
    for (const QString& name : oldNames)
        EXPECT_TRUE(QFileInfo(shared + "/" + name).isSymLink()) << name.toStdString();
    EXPECT_TRUE(tempFilesGone(shared));
    EXPECT_TRUE(tempFilesGone(QFileInfo(shared).absolutePath()));
}

// A recording cut short on the disk while it is converted, or with a chunk that cannot be read:
// the job fails with -12 instead of saving a short video.
TEST(Generator, SourceCutShortOrUnreadableFailsTheJob) {
    LogCapture& log = LogCapture::install();
    const QString folder = dir("cutshort");
    const QString whole = folder + "/whole.mp4";
    bool made = false;
    run("ffmpeg",
        {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=160x160:rate=30:d=4", "-f",
         "lavfi", "-i", "sine=d=4", "-c:v", "libx264", "-g", "12", "-shortest", whole},
        &made);
    ASSERT_TRUE(made);
    // Moved to the front, the index outlives a cut at 20 % of the file.
    const QString cut = folder + "/cut.mp4";
    run("ffmpeg", {"-v", "error", "-y", "-i", whole, "-c", "copy", "-movflags", "+faststart", cut},
        &made);
    ASSERT_TRUE(made);
    ASSERT_TRUE(QFile::resize(cut, QFileInfo(cut).size() / 5));
    const QString unreadable = folder + "/unreadable.mp4";
    ASSERT_TRUE(QFile::copy(whole, unreadable));
    const bool broken = breakMiddleChunk(unreadable);
    const struct {
        const QString* source;
        int code;
        const char* line;
    } cases[] = {
        {&whole, 0, nullptr},
        {&cut, -12, "ends at frame"},
        {&unreadable, -12, "failed: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source->toStdString());
        if (c.source == &unreadable && !broken) GTEST_SKIP() << "the file system seeks anywhere";
        log.clear();
        const QString temp = dir("cutshort-job");
        const QString out = temp + "/out.mp4";
        auto* generator =
            new VideoSimple360Generator(out, kW, kH, 2000000, "", 1.0, -1, -1, -1, temp);
        Outcome outcome;
        watch(generator, &outcome);
        generator->addV360SectionBuilder(
            new V360PanoramaVideoSectionBuilder(kW, kH, *c.source, -1, -1, -1, -1, -1));
        generator->closeVideoGeneration();
        ASSERT_TRUE(EventWait::waitFor([&] { return outcome.done(); }, 60000));
        if (c.code == 0) {
            EXPECT_EQ(outcome.finished, out) << outcome.failed;
            EXPECT_EQ(probe(out, "stream=nb_frames"), "108");
        } else {
            EXPECT_EQ(outcome.failed, c.code);
            EXPECT_TRUE(log.contains("SectionVideoSource", c.line));
            EXPECT_TRUE(log.contains("V360DispatchThread", "section source failed: -12"));
            EXPECT_FALSE(QFileInfo::exists(out));
        }
        EXPECT_TRUE(tempFilesGone(temp));
        delete generator;
    }
}

TEST(Generator, PanoramaPrepareFailsOnZeroLength) {
    const QString bogus = dir("zero") + "/notavideo.MOV";
    QFile file(bogus);
    file.open(QIODevice::WriteOnly);
    file.write("not a video");
    file.close();
    V360PanoramaVideoSectionBuilder builder(kW, kH, bogus, -1, -1, -1, -1, -1);
    EXPECT_EQ(0, builder.totalFrames());
    EXPECT_EQ(-2, builder.prepare());
}

// Any duration a section is handed counts its frames without overflow (UBSan checks the
// conversions): huge, infinite and NaN times are clamped or give no frames, and the largest
// count is exact at its boundary.
TEST(SectionVideoSource, AnyDurationGivesABoundedFrameCount) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const int most = SectionVideoSource::kMaxFrames;
    const double mostSeconds = most / SectionVideoSource::kRate;
    const struct {
        double start, end;
        int frames;
    } cases[] = {
        {-1, 2.0, 54},
        {0.5, 2.0, 41},
        {-1, 4.29e9, most},
        {-1, 1e300, most},
        {-1, inf, most},
        {-1, mostSeconds, most},
        {-1, mostSeconds - 1, most - 27},
        {-1, nan, 0},
        {nan, 2.0, 54},
        {4.29e9, 4.3e9, most},
        {inf, inf, 0},
        {1e300, -5, 0},
        {3.0, 2.0, 0},
    };
    for (const auto& c : cases) {
        SectionVideoSource source("/no/such/recording.MOV", c.start, c.end);
        EXPECT_EQ(source.totalFrames(), c.frames) << c.start << " to " << c.end;
    }
}

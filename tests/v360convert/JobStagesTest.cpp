// The stages of a conversion job, each alone: the frame pool's order, the progress units, the
// encode stage, the sound stage, the mux stage and the private job folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

#include "ConvertTestMedia.h"
#include "EventWait.h"
#include "LogCapture.h"
#include "TestEnv.h"
#include "V360DispatchThread.h"
#include "V360FramePool.h"
#include "V360JobFolder.h"
#include "V360JobProgress.h"
#include "V360MuxStage.h"
#include "V360SectionBuilder.h"
#include "V360SoundStage.h"
#include "V360VideoEncodeStage.h"

extern "C" {
#include <libavutil/buffer.h>
}

using namespace ConvertTestMedia;

namespace {

QString dir(const char* name) { return QString::fromStdString(TestEnv::makeDir(name)); }

// A section of white noise, or of a fixed failure code.
class SoundOnly : public V360SectionBuilder {
  public:
    SoundOnly(int frames, int failure)
        : V360SectionBuilder(64, 32, "", "", nullptr, nullptr), frames(frames), failure(failure) {}
    int totalFrames() override { return frames; }
    void* prepareSrcFrame(int) override { return nullptr; }
    int dewarp(int, void*, void*) override { return 0; }
    void releaseSrcFrame(void*) override {}
    Sound takeSound() override {
        Sound noise = V360SectionBuilder::takeSound();
        return [this, noise](const QString& outPath, double volume) {
            calls++;
            return failure != 0 ? failure : noise(outPath, volume);
        };
    }
    const int frames;
    const int failure;
    std::atomic<int> calls{0};
};

double audioSeconds(const QString& path) {
    return run("ffprobe",
               {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", path})
        .toDouble();
}

}  // namespace

TEST(FramePool, RenderedBuffersLeaveInTheOrderTaken) {
    V360FramePool pool(4, 16);
    ASSERT_FALSE(pool.allocationFailed());
    std::vector<BufferInfo*> taken;
    while (BufferInfo* buffer = pool.take()) taken.push_back(buffer);
    ASSERT_EQ(taken.size(), 4u);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(taken[k]->sequence, k);
    pool.rendered(taken[2]);
    pool.rendered(taken[1]);
    EXPECT_EQ(pool.nextInOrder(), nullptr);
    pool.rendered(taken[0]);
    EXPECT_EQ(pool.nextInOrder(), taken[0]);
    EXPECT_EQ(pool.nextInOrder(), taken[1]);
    EXPECT_EQ(pool.nextInOrder(), taken[2]);
    EXPECT_EQ(pool.nextInOrder(), nullptr);
    for (BufferInfo* buffer : taken) pool.giveBack(buffer);
    EXPECT_TRUE(pool.allFree());
    EXPECT_EQ(pool.take()->sequence, 4);
}

TEST(FramePool, AllocationFailureCountsOnlyTheBuffersMade) {
    V360FramePool pool(4, std::numeric_limits<size_t>::max() / 2);
    EXPECT_TRUE(pool.allocationFailed());
    EXPECT_EQ(pool.count(), 0);
    EXPECT_TRUE(pool.allFree());
    EXPECT_EQ(pool.take(), nullptr);
}

// Half the frames are 45 units and all of them 90, of 94 units (sound: extract, join, mux),
// 96 (and the music's two), 93 (muted: the music and the mux) or 91 (muted, no music).
TEST(JobProgress, UnitsOfFramesPreparationAndSoundSteps) {
    const struct {
        bool muted, music;
        int atHalf, atAllFrames;  // percents
        int steps;                // sound and mux steps the job has
        std::vector<int> afterSteps;
    } cases[] = {{false, false, 48, 96, 3, {97, 98, 99}},
                 {false, true, 47, 94, 5, {95, 96, 97, 98, 99}},
                 {true, true, 48, 97, 2, {98, 99}},
                 {true, false, 49, 99, 0, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.muted << c.music);
        V360JobProgress progress(1080);
        progress.addSection(30, 0);
        EXPECT_EQ(progress.dispatched(15), -1);  // nothing before the close
        progress.close(c.muted, c.music);
        EXPECT_EQ(progress.dispatched(15), c.atHalf);
        EXPECT_EQ(progress.dispatched(15), -1);  // only a higher percent
        EXPECT_EQ(progress.dispatched(30), c.atAllFrames);
        EXPECT_EQ(progress.framesDone(), -1);
        std::vector<int> seen;
        for (int s = 0; s < c.steps; ++s) seen.push_back(progress.stepDone());
        EXPECT_EQ(seen, c.afterSteps);
    }
}

TEST(JobProgress, PreparationWeightCountsItsSteps) {
    V360JobProgress progress(1080);
    progress.addSection(270, 100);
    progress.close(false, false);
    // Weight (100 x 90 / 270) x 6065280 / 1080^2 = 33 x 5.2 = 171.6 units of 265.6: half the
    // steps are 85.8 units (32 %), then all frames and steps 261.6 (98 %).
    EXPECT_EQ(progress.preparing(50, 0), 32);
    EXPECT_EQ(progress.sectionPrepared(100, 270), 98);
}

TEST(VideoEncodeStage, EncodesInOrderAndHandsEveryBufferBack) {
    const int w = 64, h = 32;
    const QString path = dir("encodestage") + "/video.mp4";
    V360VideoEncodeStage stage(path, w, h, 1000000, "");
    std::mutex lock;
    std::vector<BufferInfo*> back;
    std::vector<int> sharedWhenBack;
    std::atomic<int> ended{1};
    ASSERT_EQ(stage.open(
                  VideoColour::bt709(),
                  [&](BufferInfo* b, int result) {
                      std::lock_guard<std::mutex> hold(lock);
                      EXPECT_EQ(result, 0);
                      back.push_back(b);
                      sharedWhenBack.push_back(av_buffer_get_ref_count(b->ref));
                  },
                  [&](int result) { ended = result; }),
              0);
    std::vector<BufferInfo> buffers(6);
    for (int k = 0; k < 6; ++k) {
        // Alternately BGRA and planar (limited range): the grey 40 + 30k either way.
        const int grey = 40 + 30 * k;
        buffers[k].planar = k % 2 == 1;
        buffers[k].ref = av_buffer_alloc(w * h * 4);
        ASSERT_TRUE(buffers[k].ref);
        buffers[k].data = buffers[k].ref->data;
        std::memset(buffers[k].data, buffers[k].planar ? 128 : grey, w * h * 4);
        if (buffers[k].planar) std::memset(buffers[k].data, 16 + grey * 219 / 255, w * h);
        stage.encode(&buffers[k]);
    }
    stage.finish();
    ASSERT_TRUE(EventWait::waitFor([&] { return ended != 1; }, 30000));
    EXPECT_EQ(ended, 0);
    ASSERT_EQ(back.size(), 6u);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(back[k], &buffers[k]);
    // A planar picture went to the codec by reference, which it no longer holds once the
    // buffer is back: the pool may write into it again.
    EXPECT_EQ(sharedWhenBack, std::vector<int>(6, 1));
    for (BufferInfo& b : buffers) av_buffer_unref(&b.ref);
    EXPECT_EQ(probe(path, "stream=nb_frames,color_space"), "bt709\n6");
    const QByteArray grey =
        run("ffmpeg", {"-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "gray", "-"});
    ASSERT_EQ(grey.size(), 6 * w * h);
    for (int k = 0; k < 6; ++k) EXPECT_NEAR(uint8_t(grey[k * w * h + 100]), 40 + 30 * k, 3) << k;
}

TEST(VideoEncodeStage, StopHandsQueuedBuffersBackUnencoded) {
    V360VideoEncodeStage stage(dir("encodestop") + "/video.mp4", 64, 32, 1000000, "");
    std::atomic<int> back{0};
    std::atomic<bool> ended{false};
    ASSERT_EQ(
        stage.open(
            VideoColour::bt709(), [&](BufferInfo*, int) { back++; }, [&](int) { ended = true; }),
        0);
    std::vector<unsigned char> pixels(64 * 32 * 4, 90);
    std::vector<BufferInfo> buffers(20);
    for (BufferInfo& b : buffers) {
        b.data = pixels.data();
        stage.encode(&b);
    }
    stage.stop();
    EXPECT_EQ(back.load(), 20);
    EXPECT_FALSE(ended.load());
    EXPECT_FALSE(stage.isOpen());
}

// A stop drops the frames the codec still holds, also once its drain has begun: the file keeps
// only the packets out before the stop (none here: the codec holds more than these frames) and
// `ended` does not come. Every frame has reached the codec before the stop: a planar picture
// is handed back once the codec has taken it.
TEST(VideoEncodeStage, StopDropsTheFramesTheCodecHolds) {
    const int w = 320, h = 160, frames = 12;
    for (const bool draining : {false, true}) {
        const QString path = dir(draining ? "stopdrain" : "stopheld") + "/video.h264";
        V360VideoEncodeStage stage(path, w, h, 1000000, "");
        std::atomic<int> back{0};
        std::atomic<bool> ended{false};
        ASSERT_EQ(stage.open(
                      VideoColour::bt709(), [&](BufferInfo*, int) { back++; },
                      [&](int) { ended = true; }),
                  0);
        std::vector<BufferInfo> buffers(frames);
        for (BufferInfo& b : buffers) {
            b.planar = true;
            b.ref = av_buffer_alloc(w * h * 3 / 2);
            ASSERT_TRUE(b.ref);
            b.data = b.ref->data;
            std::memset(b.data, 100, w * h * 3 / 2);
            stage.encode(&b);
        }
        ASSERT_TRUE(EventWait::waitFor([&] { return back == frames; }, 30000));
        if (draining) stage.finish();
        stage.stop();
        EXPECT_FALSE(ended.load()) << draining;
        for (BufferInfo& b : buffers) av_buffer_unref(&b.ref);
        const QString packets = run("ffprobe", {"-v", "error", "-count_packets", "-show_entries",
                                                "stream=nb_read_packets", "-of", "csv=p=0", path})
                                    .trimmed();
        EXPECT_LT(packets.toInt(), frames)
            << "draining " << draining << ": " << packets.toStdString();
    }
}

TEST(VideoEncodeStage, RefusedSetUpGivesTheEncodersCode) {
    V360VideoEncodeStage stage(dir("encoderefused") + "/video.mp4", 9000, 2, 1000000, "");
    EXPECT_EQ(stage.open(VideoColour::bt709(), {}, {}), -10);
    EXPECT_FALSE(stage.isOpen());
}

TEST(SoundStage, SectionSoundsJoinedInOrderOrTheFirstFailure) {
    LogCapture& log = LogCapture::install();
    const QString folder = dir("soundstage");
    V360DispatchThread owner(folder + "/out.mp4", 64, 32, 1000000, 1.0, -1, -1, -1, folder);
    const QString job = owner.jobFolderPath();
    int steps = 0;
    V360SoundStage stage(
        job, [&] { steps++; }, nullptr);
    SoundOnly first(30, 0), second(60, 0), failing(30, -12);
    for (SoundOnly* s : {&first, &second, &failing}) s->owner = &owner;
    QString sound;
    ASSERT_EQ(stage.make({first.takeSound(), second.takeSound()}, 1.0, false, {}, 90, &sound), 0);
    EXPECT_EQ(sound, job + "/concat.m4a");
    EXPECT_NEAR(audioSeconds(sound), 3.0, 0.1);
    EXPECT_EQ(steps, 2);
    log.clear();
    EXPECT_EQ(stage.make({first.takeSound(), failing.takeSound(), second.takeSound()}, 1.0, false,
                         {}, 120, &sound),
              -12);
    EXPECT_TRUE(log.contains("V360DispatchThread", "extractAudioToSectionLength:-12"));
    EXPECT_EQ(second.calls.load(), 1);
    // Muted without music: no sound at all.
    EXPECT_EQ(stage.make({first.takeSound()}, 0, true, {}, 30, &sound), 0);
    EXPECT_TRUE(sound.isEmpty());
}

TEST(SoundStage, CancelStopsBeforeTheNextStep) {
    std::atomic<bool> cancelled{true};
    SoundOnly section(30, 0);
    V360SoundStage stage(
        dir("soundcancel"), [] {}, &cancelled);
    QString sound;
    EXPECT_EQ(stage.make({section.takeSound()}, 1.0, false, {}, 30, &sound), -10002);
    EXPECT_EQ(section.calls.load(), 0);
}

TEST(SoundStage, MusicTooShortOrEmptyRange) {
    const QString folder = dir("music");
    const QString tone = folder + "/tone.m4a";
    run("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "sine=d=1", "-c:a", "aac", tone});
    const struct {
        const char* name;
        V360SoundStage::Music music;
        int code;
        double seconds;
    } cases[] = {
        {"longer than the video", {tone, 0, 0, 1.0, false}, 0, 0.5},
        {"looped", {tone, 0, 0, 1.0, true}, 0, 2.5},
        {"not looped", {tone, 0, 0, 1.0, false}, 0, 1.0},
        {"empty range", {tone, 0.8, 0.5, 1.0, true}, -4, 0},
        {"no music", {"", 0, 0, 1.0, true}, -7, 0},
    };
    const int frames[] = {15, 75, 75, 75, 75};
    int k = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString target = folder + QString("/music%1.m4a").arg(k);
        EXPECT_EQ(V360SoundStage::prepareMusicFile(c.music, frames[k++], target), c.code);
        if (c.code == 0) {
            EXPECT_NEAR(audioSeconds(target), c.seconds, 0.1);
        }
    }
}

TEST(MuxStage, FailuresGiveTheirCodeAndTheSilentVideoGoes) {
    LogCapture& log = LogCapture::install();
    const QString folder = dir("muxstage");
    const QString video = folder + "/pure.mp4";
    run("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=64x32:d=1", "-c:v",
                   "libx264", video});
    log.clear();
    EXPECT_LT(V360MuxStage::mux(folder + "/none.m4a", video, folder + "/muxed.mp4", ""), 0);
    EXPECT_TRUE(log.contains("V360DispatchThread", "mergeAudioToVideo failed::"));
    EXPECT_FALSE(QFile::exists(video));
    const QString plain = folder + "/plain.mp4";
    QFile(plain).open(QIODevice::WriteOnly);
    EXPECT_EQ(V360MuxStage::copyToOutput(plain, folder + "/no/such/out.mp4", false), -12);
    EXPECT_EQ(V360MuxStage::copyToOutput(plain, folder + "/copy.mp4", false), 0);
    EXPECT_NE(V360MuxStage::copyToOutput(folder + "/none.mp4", folder + "/box.mp4", true), 0);
}

TEST(JobFolder, PrivateUniqueAndRemovedWithItsFiles) {
    const QString shared = dir("shared") + "/UQO Studio";
    // A link another user left under an old fixed name is not written through.
    const QString victim = dir("victim") + "/file";
    {
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep");
    }
    QDir().mkpath(shared);
    ASSERT_TRUE(QFile::link(victim, shared + "/pureVideo.mp4"));
    V360JobFolder a(shared), b(shared);
    ASSERT_TRUE(a.isValid() && b.isValid());
    EXPECT_NE(a.path(), b.path());
    for (const V360JobFolder* f : {&a, &b}) {
        EXPECT_EQ(QFileInfo(f->path()).absolutePath(), shared);
        struct stat info;
        ASSERT_EQ(stat(f->path().toUtf8().constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
    }
    const QString gone = a.path();
    QFile(a.file("pureVideo.mp4")).open(QIODevice::WriteOnly);
    a.remove();
    EXPECT_FALSE(QFileInfo::exists(gone));
    EXPECT_TRUE(a.path().isEmpty());
    EXPECT_TRUE(b.isValid());
    EXPECT_EQ(readAll(victim), "keep");
    EXPECT_TRUE(QFileInfo(shared + "/pureVideo.mp4").isSymLink());
    V360JobFolder none("/proc/no/such");
    EXPECT_FALSE(none.isValid());
    EXPECT_TRUE(none.file("pureVideo.mp4").isEmpty());
}

// "UQO Studio" in the temporary location, made first by someone else, neither blocks the
// default job folder nor holds it: the job folder is the user's own, right in the temporary
// location, and nothing is made inside the other one.
TEST(JobFolder, DefaultIsPrivateWhateverAnotherUserMadeFirst) {
    const QString temp = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    const QString taken = temp + "/UQO Studio";
    const struct {
        const char* name;
        bool folder;
    } cases[] = {{"a file", false}, {"another user's folder", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(taken);
        QDir(taken).removeRecursively();
        if (c.folder) {
            // Read-only to this user; as root (whom modes do not stop) also owned by nobody.
            ASSERT_TRUE(QDir().mkdir(taken));
            ASSERT_EQ(chmod(taken.toUtf8().constData(), 0555), 0);
            if (geteuid() == 0) {
                ASSERT_EQ(chown(taken.toUtf8().constData(), 65534, 65534), 0);
            }
        } else {
            QFile file(taken);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        V360JobFolder job("");
        ASSERT_TRUE(job.isValid());
        EXPECT_EQ(QFileInfo(job.path()).absolutePath(), temp);
        struct stat info;
        ASSERT_EQ(stat(job.path().toUtf8().constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        EXPECT_EQ(info.st_uid, geteuid());
        if (c.folder) {
            EXPECT_TRUE(QDir(taken).isEmpty());
        }
        const QString path = job.path();
        job.remove();
        EXPECT_FALSE(QFileInfo::exists(path));
        chmod(taken.toUtf8().constData(), 0755);
    }
}

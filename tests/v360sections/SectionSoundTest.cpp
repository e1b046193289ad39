// The video section's sound: the recording's over the range, the alternative file, white
// noise, and the white-noise patch of a short sound.
#include <gtest/gtest.h>

#include <QString>

#include <memory>
#include <vector>

#include "FFMpegUtil.h"
#include "SectionFixtures.h"
#include "SectionTest.h"
#include "V360DispatchThread.h"
#include "V360VideoSectionBuilder.h"

using namespace SectionFixtures;
using namespace SectionTest;

TEST_F(Sections, ShortSoundIsPatchedWithWhiteNoise) {
    const QString dir = folder("sound");
    std::unique_ptr<V360DispatchThread> owner = ownerIn(dir);
    const QString silentAlternative = solidClip(dir + "/alt.mp4", 64, 64, Qt::gray, 0.2, 1.0);
    // Every source sound here is silent: the white noise shows where it was used.
    const struct {
        const char* name;
        double seconds;
        double soundSeconds;
        QString alternative;
        double silentUntil;
    } cases[] = {{"one second short", 1.5, 0.5, "", 0.5},
                 {"no sound", 1.0, 0, "", 0},
                 {"no sound, an alternative", 1.0, 0, silentAlternative, 1.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString clip =
            solidClip(QString("%1/%2-%3.mp4").arg(dir).arg(c.seconds).arg(c.soundSeconds), 64, 64,
                      Qt::gray, c.seconds, c.soundSeconds);
        V360VideoSectionBuilder section(kW, kH, clip, "", 0, 0, 0, -1, "", "", nullptr, nullptr,
                                        c.alternative, -1, -1, -1);
        section.owner = owner.get();
        ASSERT_EQ(0, section.prepare());
        ASSERT_EQ(section.totalFrames(), runFrames(section));
        section.releaseAllDecodeDewarpResource();
        const QString sound = dir + "/" + c.name + ".m4a";
        ASSERT_EQ(0, section.extractAudioToSectionLength(sound, 1.0));
        const double length = section.totalFrames() / 27.0;
        EXPECT_NEAR(length, FFMpegUtil::getAudioLength(sound), 0.05);
        const std::vector<short> samples = monoSamples(sound);
        if (c.silentUntil > 0) {
            EXPECT_LT(rms(samples, 0.1, c.silentUntil - 0.1), 5);
        }
        if (c.silentUntil < length) {
            EXPECT_GT(rms(samples, c.silentUntil + 0.1, length - 0.1), 100);
        }
    }
}

TEST_F(Sections, FailedPatchKeepsTheShortSound) {
    const QString dir = folder("failedpatch");
    const QString clip = solidClip(dir + "/short.mp4", 64, 64, Qt::gray, 1.5, 0.5);
    // Without an owner there is no white noise to patch with.
    V360VideoSectionBuilder section(kW, kH, clip, "", 0, 0, 0, -1, "", "", nullptr, nullptr, "", -1,
                                    -1, -1);
    ASSERT_EQ(0, section.prepare());
    ASSERT_EQ(section.totalFrames(), runFrames(section));
    const QString sound = dir + "/short.m4a";
    EXPECT_EQ(0, section.extractAudioToSectionLength(sound, 1.0));
    EXPECT_NEAR(0.5, FFMpegUtil::getAudioLength(sound), 0.05);
}

// The CPU dewarp draws nothing until its lens is set (a process-wide, one-way state, so these
// run in a program of their own): the sections still hand out defined frames.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "SectionFixtures.h"
#include "V360PhotoSectionBuilder.h"
#include "V360TitleSectionBuilder.h"
#include "V360VideoSectionBuilder.h"
#include "Video360GeneratorHelper.h"

using namespace SectionFixtures;

TEST(SectionsWithoutLens, FramesAreZeroedBeforeDrawing) {
    const int W = 64, H = 32;
    Video360GeneratorHelper* helper = Video360GeneratorHelper::alloc(W, H, "");
    const QString dir = folder("nolens");
    SpyTransitor drawsNothing(W, H);
    std::unique_ptr<V360SectionBuilder> sections[] = {
        std::unique_ptr<V360SectionBuilder>(new V360VideoSectionBuilder(
            W, H, solidClip(dir + "/clip.mp4", 64, 64, Qt::gray, 0.2, 0), "", 0, 0, 0, -1, "", "",
            nullptr, nullptr, "", -1, -1, -1)),
        std::unique_ptr<V360SectionBuilder>(
            new V360PhotoSectionBuilder(W, H, solidImage(dir + "/photo.jpg", 300, 300, Qt::green),
                                        "", 1.0, "", "", nullptr, nullptr, -1, -1, -1)),
        std::unique_ptr<V360SectionBuilder>(
            new V360TitleSectionBuilder(W, H, &drawsNothing, "", nullptr, 1.0)),
    };
    for (auto& section : sections) {
        ASSERT_EQ(0, section->prepare());
        void* src = section->prepareSrcFrame(0);
        ASSERT_NE(nullptr, src);
        std::vector<uint32_t> dst(W * H, 0xABABABABu);
        section->dewarp(0, src, dst.data());
        EXPECT_EQ(std::vector<uint32_t>(W * H, 0u), dst);
        section->releaseSrcFrame(src);
        section->releaseAllDecodeDewarpResource();
    }
    Video360GeneratorHelper::release(helper);
}

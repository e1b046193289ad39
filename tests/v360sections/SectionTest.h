#pragma once

#include <gtest/gtest.h>

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

#include "Dewarp360.h"
#include "V360DispatchThread.h"
#include "V360SectionBuilder.h"
#include "Video360GeneratorHelper.h"

// What the section test programs share: the output size, the fixture with the lens and a
// helper, and a run over every frame of a section.
namespace SectionTest {

const int kW = 64;
const int kH = 32;
using Frame = std::vector<uint32_t>;

// The lens is set once for the whole program; every section here is built on a helper.
class Sections : public testing::Test {
  protected:
    static void SetUpTestSuite() { setCameraParameters(FRONT_DIRECTION_NORMAL, 210); }
    void SetUp() override { helper = Video360GeneratorHelper::alloc(kW, kH, ""); }
    void TearDown() override { Video360GeneratorHelper::release(helper); }
    Video360GeneratorHelper* helper = nullptr;
};

// Every frame of a prepared section through prepareSrcFrame, dewarp and releaseSrcFrame;
// the number of frames, the last one in *last.
inline int runFrames(V360SectionBuilder& section, Frame* last = nullptr) {
    Frame dst(static_cast<size_t>(kW) * kH);
    int index = 0;
    while (void* src = section.prepareSrcFrame(index)) {
        section.dewarp(index, src, dst.data());
        section.releaseSrcFrame(src);
        ++index;
    }
    if (last) *last = dst;
    return index;
}

// A thread object as the sections' owner (for its white-noise paths); its loop never runs.
inline std::unique_ptr<V360DispatchThread> ownerIn(const QString& dir) {
    return std::unique_ptr<V360DispatchThread>(
        new V360DispatchThread(dir + "/out.mp4", kW, kH, 1000000, 1.0, -1, -1, -1, dir));
}

}  // namespace SectionTest

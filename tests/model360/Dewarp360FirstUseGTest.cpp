// First use of the dewarp in a process: the lens unset, the kernel choice and its log line.
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Dewarp360.h"
#include "Dewarp360Kernels.h"
#include "Dewarp360Tables.h"
#include "DewarpTestData.h"
#include "LogCapture.h"
#include "LogSystem.h"

namespace {

using namespace DewarpTestData;

// The lines of the tag "dewarp360" as "LEVEL|text".
std::vector<std::string> dewarpLines() {
    std::vector<std::string> out;
    for (const LogCapture::Line& line : LogCapture::install().lines())
        if (line.tag == "dewarp360")
            out.push_back(std::string(logLevelName(line.level)) + "|" + line.text);
    return out;
}

TEST(Dewarp360FirstUse, NothingDrawnBeforeLensAndOneKernelLine) {
    LogCapture::install();

    const auto src = randomImage(201, 201, 1);
    const auto patch = randomImage(20, 20, 2);
    double R[9];
    randomRotation(3, R);
    const int W = 64, H = 32;
    const std::vector<uint32_t> prefilled(W * H, 0x01020304u);

    // Four threads make their first dewarp call at once.
    std::vector<std::vector<uint32_t>> outs(4, prefilled);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            dewarp(src.data(), outs[t].data(), 201, 201, 100, 100, 95, R, W, H, 0x112233);
        });
    for (auto& th : threads) th.join();
    for (const auto& out : outs) EXPECT_EQ(out, prefilled);

    // Every other entry leaves the buffer alone as well.
    std::vector<uint32_t> dst = prefilled;
    dewarp(src.data(), dst.data(), 201, 201, 100, 100, 95, R, W, H, patch.data(), 20, 20);
    dewarp(src.data(), dst.data(), 201, 201, 100, 100, 95, 0.1, 0.2, W, H, 7);
    dewarpBilinear(src.data(), dst.data(), 201, 201, 100, 100, 95, R, W, H, 7);
    dewarpBilinear(src.data(), dst.data(), 201, 201, 100, 100, 95, R, W, H, patch.data(), 20, 20);
    partialDewarp(src.data(), dst.data(), 201, 201, 100, 100, 95, R, W, H, 30, -30, 0, 90, 7);
    partialDewarp(src.data(), dst.data(), 201, 201, 100, 100, 95, R, W, H, 30, -30, 0, 90,
                  patch.data(), 20, 20);
    fastDewarp(src.data(), dst.data(), 201, 201, 100, 100, 95, W, H, 7);
    fastDewarp(src.data(), dst.data(), 201, 201, 100, 100, 95, 10.0, W, H, 7);
    EXPECT_EQ(dst, prefilled);

    // Exactly one INFO line, naming the kernel this processor gets.
    const DewarpKernelChoice expected = chooseDewarpKernel(cpuid, readXcr0);
    const auto lines = dewarpLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], std::string("INFO |") + expected.logLine);
    EXPECT_EQ(chosenDewarpKernel(), expected.kernel);

    // Once the lens is set the entry draws with that kernel; no further line.
    setCameraParameters(FRONT_DIRECTION_NORMAL, 210);
    dewarp(src.data(), dst.data(), 201, 201, 100, 100, 95, R, W, H, patch.data(), 20, 20);
    EXPECT_NE(dst, prefilled);
    EXPECT_EQ(dst, runKernel(expected.kernel, src, 201, 201, 100, 100, 95, R, W, H, 0, patch.data(),
                             20, 20));
    EXPECT_EQ(dewarpLines().size(), 1u);
}

}  // namespace

// Kernel equivalence with the edge fade off (its switch is one-way: see the fade executable).
#include <gtest/gtest.h>

#include "DewarpTestData.h"

namespace {

TEST(DewarpKernels, AgreeByteForByteOverWidthsFromOne) {
    DewarpTestData::expectKernelsAgreeOverWidths(67);
}

TEST(DewarpKernels, AgreeByteForByteOverTable) { DewarpTestData::expectKernelsAgreeOverTable(); }

TEST(DewarpKernels, BilinearAgreeByteForByteOverWidthsFromOne) {
    DewarpTestData::expectKernelsAgreeOverWidths(67, DewarpTestData::Sampling::Bilinear);
}

TEST(DewarpKernels, BilinearAgreeByteForByteOverTable) {
    DewarpTestData::expectKernelsAgreeOverTable(DewarpTestData::Sampling::Bilinear);
}

}  // namespace

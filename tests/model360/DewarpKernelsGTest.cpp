// Kernel equivalence with the edge fade off (its switch is one-way: see the fade executable).
#include <gtest/gtest.h>

#include "DewarpTestData.h"

namespace {

using DewarpTestData::Sampling;
using DewarpTestData::SimdKernelTest;

using DewarpKernels = SimdKernelTest;
using DewarpCodeKernels = SimdKernelTest;

TEST_P(DewarpKernels, AgreeByteForByteOverWidthsFromOne) {
    DewarpTestData::expectKernelsAgreeOverWidths(GetParam(), 67);
}

TEST_P(DewarpKernels, AgreeByteForByteOverTable) {
    DewarpTestData::expectKernelsAgreeOverTable(GetParam());
}

TEST_P(DewarpKernels, BilinearAgreeByteForByteOverWidthsFromOne) {
    DewarpTestData::expectKernelsAgreeOverWidths(GetParam(), 67, Sampling::Bilinear);
}

TEST_P(DewarpKernels, BilinearAgreeByteForByteOverTable) {
    DewarpTestData::expectKernelsAgreeOverTable(GetParam(), Sampling::Bilinear);
}

INSTANTIATE_TEST_SUITE_P(Simd, DewarpKernels,
                         testing::Values(DewarpKernelKind::SSE2, DewarpKernelKind::AVX2),
                         DewarpTestData::kindParamName);

TEST_P(DewarpCodeKernels, AgreeOverWidthsFromOne) {
    DewarpTestData::expectKernelsAgreeOverWidths(GetParam(), 67, Sampling::Codes);
}

TEST_P(DewarpCodeKernels, AgreeOverTable) {
    DewarpTestData::expectKernelsAgreeOverTable(GetParam(), Sampling::Codes);
}

TEST_P(DewarpCodeKernels, GathersAgreeOverCountsFromZero) {
    DewarpTestData::expectGathersAgree(GetParam(), 67);
}

INSTANTIATE_TEST_SUITE_P(Simd, DewarpCodeKernels, testing::Values(DewarpKernelKind::AVX2),
                         DewarpTestData::kindParamName);

}  // namespace

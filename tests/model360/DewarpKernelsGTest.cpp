// Kernel equivalence with the edge fade off (its switch is one-way: see the fade executable).
#include <gtest/gtest.h>

#include "DewarpTestData.h"

namespace {

TEST(DewarpKernels, AgreeByteForByteOverWidthsFromOne)
{
    DewarpTestData::expectKernelsAgreeOverWidths(67);
}

TEST(DewarpKernels, AgreeByteForByteOverTable)
{
    DewarpTestData::expectKernelsAgreeOverTable();
}

}  // namespace

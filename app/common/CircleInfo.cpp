#include "CircleInfo.h"

#include <cstdlib>

#include "ResultCode.h"

namespace {
const int kMaxCentreOffset = 30;
const int kMinScore = 60;
}  // namespace

int CircleInfo::toFullFrame(const std::optional<CircleInfo>& found, int width, int height,
                            CircleInfo* full) {
    *full = CircleInfo();
    if (!found || std::abs(found->centerX - width / 2) > kMaxCentreOffset ||
        std::abs(found->centerY - height / 2) > kMaxCentreOffset || found->score < kMinScore)
        return ResultCode::kNoCircle;
    full->centerX = 2 * found->centerX;
    full->centerY = 2 * found->centerY;
    full->radius = 2 * found->radius;
    full->score = found->score;
    return 0;
}

#include "ColorStyleUtil.h"

namespace {

struct Rgb {
    int r, g, b;
};

constexpr Rgb kColorStyles[] = {
    {255, 255, 255}, {0, 0, 0},     {255, 76, 0}, {255, 241, 0}, {0, 237, 0},
    {0, 160, 233},   {228, 0, 127}, {0, 0, 0},    {230, 0, 18},  {129, 81, 28},
    {246, 175, 45},  {0, 86, 31},   {0, 28, 88},  {125, 0, 34},
};
constexpr unsigned kColorStyleCount = sizeof(kColorStyles) / sizeof(kColorStyles[0]);

}  // namespace

void ColorStyleUtil::queryColorStyle(COLOR_STYLE style, int* r, int* g, int* b) {
    const unsigned index = static_cast<unsigned>(style);
    if (index >= kColorStyleCount) return;
    *r = kColorStyles[index].r;
    *g = kColorStyles[index].g;
    *b = kColorStyles[index].b;
}

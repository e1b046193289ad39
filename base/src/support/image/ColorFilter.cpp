#include "ColorFilter.h"

#include <cmath>
#include <cstddef>

namespace {

void buildTable(double gamma, uint8_t table[256]) {
    for (int i = 0; i < 256; ++i) {
        if (!(gamma >= 0)) {
            table[i] = static_cast<uint8_t>(i);
            continue;
        }
        const double v = std::pow(i / 255.0, gamma) * 255 + 0.5;
        table[i] = static_cast<uint8_t>(v >= 255 ? 255 : (v >= 0 ? static_cast<int>(v) : 0));
    }
}

}  // namespace

ColorFilter::ColorFilter(double gamma) : ColorFilter(gamma, gamma, gamma) {}

ColorFilter::ColorFilter(double gammaR, double gammaG, double gammaB) {
    setGammas(gammaR, gammaG, gammaB);
}

ColorFilter* ColorFilter::newUnlessNegative(double gammaR, double gammaG, double gammaB) {
    if (gammaR < 0 && gammaG < 0 && gammaB < 0) return nullptr;
    return new ColorFilter(gammaR, gammaG, gammaB);
}

void ColorFilter::setGammas(double gammaR, double gammaG, double gammaB) {
    buildTable(gammaR, redTable);
    buildTable(gammaG, greenTable);
    buildTable(gammaB, blueTable);
}

void ColorFilter::apply(void* pixels, int w, int h) const {
    const uint8_t* const tables[3] = {redTable, greenTable, blueTable};
    applyTables(pixels, w, h, tables);
}

void ColorFilter::applyBGR(void* pixels, int w, int h) const {
    const uint8_t* const tables[3] = {blueTable, greenTable, redTable};
    applyTables(pixels, w, h, tables);
}

void ColorFilter::applyTables(void* pixels, int w, int h, const uint8_t* const tables[3]) const {
    if (!pixels || w <= 0 || h <= 0) return;
    uint8_t* p = static_cast<uint8_t*>(pixels);
    const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
    const uint8_t* t0 = tables[0];
    const uint8_t* t1 = tables[1];
    const uint8_t* t2 = tables[2];
    for (size_t i = 0; i < count; ++i, p += 4) {
        p[0] = t0[p[0]];
        p[1] = t1[p[1]];
        p[2] = t2[p[2]];
    }
}

double ColorFilter::calculateGamma(double in, double out) {
    return std::log(out / 255) / std::log(in / 255);
}

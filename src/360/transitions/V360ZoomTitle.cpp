#include "V360ZoomTitle.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "TitleSampling.h"

V360ZoomTitle::V360ZoomTitle(int type, int width, int height, void* text)
    : V360BoxTitle(type, width, height), work(size_t(boxW) * boxH * 4, 0) {
    updateTitleText(fromText(text));
}

void V360ZoomTitle::updateTitleText(QString text) {
    source = textBitmap(text, titleFont(QString()), QColor("#ffffff"));
}

void V360ZoomTitle::zoomInto(double scale) {
    std::fill(work.begin(), work.end(), 0);
    if (work.empty()) return;
    const int row0 = boxH / 2 - static_cast<int>(boxH / (2 * scale));
    const int col0 = boxW / 2 - static_cast<int>(boxW / (2 * scale));
    const int step = static_cast<int>(scale * 65536);
    for (int y = std::max(0, row0); y < std::min(boxH, boxH - row0); ++y) {
        const int fy = (boxH / 2) * 65536 + step * (y - boxH / 2);
        int fx = (boxW / 2) * 65536 + step * (std::max(0, col0) - boxW / 2);
        uint8_t* out = &work[(size_t(y) * boxW) * 4];
        for (int x = std::max(0, col0); x < std::min(boxW, boxW - col0); ++x, fx += step)
            GetPixelColorBilinear_C(source.data(), boxW, boxH, fx, fy, out + x * 4);
    }
}

void V360ZoomTitle::composeTransitionFrame(double progress, void*, void*, void* dst) {
    if (!inRange(progress) || !dst) return;
    std::lock_guard<OsalMutex> guard(mutex);
    drawBackground(dst);
    zoomInto(5 * (1 - effectProgress(progress)) + 1);
    blendCopies(dst, work.data(), boxW, boxH, gap, top);
}

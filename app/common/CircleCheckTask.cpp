#include "CircleCheckTask.h"

#include <algorithm>
#include <cmath>

int THREAD_HOLD_LOW = 20;
int THREAD_HOLD_HIGH = 30;

namespace {

const double kPi = 3.141592653589793;
const int kWeak = 127;
const int kStrong = 255;
// Ring radii: from half the width less 30 up to half the width less 11.
const int kOuterGap = 11;
const int kInnerGap = 30;
const int kQuarterAngles = 90;

// Borders replicated: row y clamped into the image.
template <typename T>
const T* clampedRow(const T* base, int y, int h, int stride) {
    return base + size_t(std::clamp(y, 0, h - 1)) * stride;
}

// Steps 2 and 3's inputs: magnitude (at most 2 x 4 x 255) and direction class per pixel.
void sobel(const QImage& grey, std::vector<int16_t>& magnitude, std::vector<uint8_t>& direction) {
    const int w = grey.width(), h = grey.height(), stride = grey.bytesPerLine();
    for (int y = 0; y < h; ++y) {
        const uint8_t* up = clampedRow(grey.constBits(), y - 1, h, stride);
        const uint8_t* mid = clampedRow(grey.constBits(), y, h, stride);
        const uint8_t* down = clampedRow(grey.constBits(), y + 1, h, stride);
        int16_t* mag = magnitude.data() + size_t(y) * w;
        uint8_t* dir = direction.data() + size_t(y) * w;
        for (int x = 0; x < w; ++x) {
            const int l = x > 0 ? x - 1 : 0, r = x < w - 1 ? x + 1 : x;
            const int top = up[l] + 2 * up[x] + up[r];
            const int bottom = down[l] + 2 * down[x] + down[r];
            const int left = up[l] + 2 * mid[l] + down[l];
            const int right = up[r] + 2 * mid[r] + down[r];
            const int gx = right - left, gy = top - bottom;
            mag[x] = int16_t(std::abs(gx) + std::abs(gy));
            dir[x] = uint8_t(CircleCheckTask::directionClass(gx, gy));
        }
    }
}

uint8_t classify(int v) {
    if (v <= THREAD_HOLD_LOW) return 0;
    return v < THREAD_HOLD_HIGH ? kWeak : kStrong;
}

// Steps 3 and 4: thinned magnitude, classified (0, weak or strong).
std::vector<uint8_t> thinAndClassify(const std::vector<int16_t>& magnitude,
                                     const std::vector<uint8_t>& direction, int w, int h) {
    std::vector<uint8_t> classes(size_t(w) * h);
    for (int y = 0; y < h; ++y) {
        const int16_t* up = clampedRow(magnitude.data(), y - 1, h, w);
        const int16_t* mid = clampedRow(magnitude.data(), y, h, w);
        const int16_t* down = clampedRow(magnitude.data(), y + 1, h, w);
        const uint8_t* dir = direction.data() + size_t(y) * w;
        uint8_t* out = classes.data() + size_t(y) * w;
        for (int x = 0; x < w; ++x) {
            const int l = x > 0 ? x - 1 : 0, r = x < w - 1 ? x + 1 : x;
            int a, b;
            switch (dir[x]) {
                case 0:
                    a = mid[l], b = mid[r];
                    break;
                case 1:
                    a = up[r], b = down[l];
                    break;
                case 2:
                    a = up[l], b = down[r];
                    break;
                default:
                    a = up[x], b = down[x];
                    break;
            }
            const int v = mid[x];
            out[x] = classify(v >= a && v >= b ? v : 0);
        }
    }
    return classes;
}

// Score of every centre of one radius, accumulated angle by angle over contiguous rows.
void scoreRadius(const uint8_t* edges, int side, int r, std::vector<uint16_t>& scores) {
    const int n = side - 2 * r;
    scores.assign(size_t(n) * n, 0);
    for (int a = 0; a < kQuarterAngles; ++a) {
        const double rad = a * kPi / 180;
        const int c = int(std::cos(rad) * r), s = int(std::sin(rad) * r);
        const int dx[4] = {c, c, -c, -c}, dy[4] = {s, -s, -s, s};
        for (int k = 0; k < 4; ++k) {
            for (int j = 0; j < n; ++j) {
                const uint8_t* src = edges + size_t(r + j + dy[k]) * side + r + dx[k];
                uint16_t* dst = scores.data() + size_t(j) * n;
                for (int i = 0; i < n; ++i) dst[i] += src[i] & 1;
            }
        }
    }
}

}  // namespace

CircleCheckTask::CircleCheckTask(QImage image) : QThread(nullptr), image(std::move(image)) {}

CircleCheckTask::~CircleCheckTask() { wait(); }

QImage CircleCheckTask::getImage() const { return image; }

std::optional<CircleInfo> CircleCheckTask::getResult() const { return result; }

void CircleCheckTask::run() {
    image = image.convertToFormat(QImage::Format_Grayscale8);
    result = findCircle(image);
}

std::optional<CircleInfo> CircleCheckTask::findCircle(const QImage& image) {
    if (image.isNull()) return std::nullopt;
    const QImage grey = image.format() == QImage::Format_Grayscale8
                            ? image
                            : image.convertToFormat(QImage::Format_Grayscale8);
    const std::vector<uint8_t> edges = edgeMap(grey);
    return searchCircle(edges.data(), grey.width(), grey.height());
}

std::vector<uint8_t> CircleCheckTask::edgeMap(const QImage& grey) {
    const int w = grey.width(), h = grey.height();
    if (w <= 0 || h <= 0) return {};
    std::vector<int16_t> magnitude(size_t(w) * h);
    std::vector<uint8_t> direction(size_t(w) * h);
    sobel(grey, magnitude, direction);
    // The class map ends as the edge map: 0 or 255 once the weak pixels are resolved.
    std::vector<uint8_t> edges = thinAndClassify(magnitude, direction, w, h);
    traceHysteresis(edges, w, h);
    return edges;
}

void CircleCheckTask::traceHysteresis(std::vector<uint8_t>& classes, int width, int height) {
    const int dx[6] = {0, 1, -1, 1, -1, 0}, dy[6] = {-1, -1, 0, 0, 1, 1};
    std::vector<int> pending;
    for (int start = 0; start < width * height; ++start) {
        if (classes[start] != kStrong) continue;
        pending.push_back(start);
        while (!pending.empty()) {
            const int at = pending.back();
            pending.pop_back();
            const int x = at % width, y = at / width;
            for (int k = 0; k < 6; ++k) {
                const int nx = x + dx[k], ny = y + dy[k];
                if (nx < 0 || nx >= width || ny < 0 || ny >= height) continue;
                const int next = ny * width + nx;
                if (classes[next] == kWeak) {
                    classes[next] = kStrong;
                    pending.push_back(next);
                }
            }
        }
    }
    for (uint8_t& c : classes) {
        if (c == kWeak) c = 0;
    }
}

std::optional<CircleInfo> CircleCheckTask::searchCircle(const uint8_t* edges, int width,
                                                        int height) {
    const int minRadius = std::max(0, width / 2 - kInnerGap), maxRadius = width / 2 - kOuterGap;
    if (maxRadius < minRadius || height <= 0) return std::nullopt;
    // The square searched is width x width; rows missing below the image hold no edge.
    std::vector<uint8_t> square;
    if (height < width) {
        square.assign(size_t(width) * width, 0);
        std::copy(edges, edges + size_t(width) * height, square.begin());
        edges = square.data();
    }
    std::optional<CircleInfo> best;
    std::vector<uint16_t> scores;
    for (int r = minRadius; r <= maxRadius; ++r) {
        scoreRadius(edges, width, r, scores);
        const int n = width - 2 * r;
        for (int i = 0; i < n; ++i) {      // centre column x = r + i
            for (int j = 0; j < n; ++j) {  // centre row y = r + j
                const int score = scores[size_t(j) * n + i];
                const int bestScore = best ? best->score : 0;
                if (score > bestScore || (best && score == bestScore && r > best->radius))
                    best = CircleInfo{r + i, r + j, r, score};
            }
        }
    }
    return best;
}

int CircleCheckTask::directionClass(int gx, int gy) {
    if (gx == 0) return gy == 0 ? 0 : 3;
    // tan(22.5) and tan(67.5): a ratio of integer gradients never equals them exactly.
    static const double lo = std::tan(22.5 * kPi / 180), hi = std::tan(67.5 * kPi / 180);
    const double t = double(gy) / gx;
    if (t >= -lo && t < lo) return 0;
    if (t >= lo && t < hi) return 1;
    if (t >= -hi && t < -lo) return 2;
    return 3;
}

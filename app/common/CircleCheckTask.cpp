#include "CircleCheckTask.h"

#include <algorithm>
#include <cmath>

#include "FFMpegDecoder360G.h"

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

// Borders replicated: a copy of `src` (w x h values) with one more column and row each side.
template <typename T>
std::vector<T> padded(const T* src, int w, int h, int srcStride) {
    const int pw = w + 2;
    std::vector<T> out(size_t(pw) * (h + 2));
    for (int y = -1; y <= h; ++y) {
        const T* row = src + size_t(std::clamp(y, 0, h - 1)) * srcStride;
        T* dst = out.data() + size_t(y + 1) * pw;
        dst[0] = row[0];
        std::copy(row, row + w, dst + 1);
        dst[w + 1] = row[w - 1];
    }
    return out;
}

// Steps 2 and 3's inputs: magnitude and direction class per pixel.
void sobel(const QImage& grey, std::vector<int>& magnitude, std::vector<int>& direction) {
    const int w = grey.width(), h = grey.height(), pw = w + 2;
    std::vector<uint8_t> g = padded(grey.constBits(), w, h, grey.bytesPerLine());
    for (int y = 0; y < h; ++y) {
        const uint8_t* up = g.data() + size_t(y) * pw + 1;
        const uint8_t* mid = up + pw;
        const uint8_t* down = mid + pw;
        int* mag = magnitude.data() + size_t(y) * w;
        int* dir = direction.data() + size_t(y) * w;
        for (int x = 0; x < w; ++x) {
            const int t = up[x - 1] + 2 * up[x] + up[x + 1];
            const int b = down[x - 1] + 2 * down[x] + down[x + 1];
            const int l = up[x - 1] + 2 * mid[x - 1] + down[x - 1];
            const int r = up[x + 1] + 2 * mid[x + 1] + down[x + 1];
            const int gx = r - l, gy = t - b;
            mag[x] = std::abs(gx) + std::abs(gy);
            dir[x] = CircleCheckTask::directionClass(gx, gy);
        }
    }
}

int classify(int v) {
    if (v <= THREAD_HOLD_LOW)
        return 0;
    return v < THREAD_HOLD_HIGH ? kWeak : kStrong;
}

// Steps 3 and 4: thinned magnitude, classified.
std::vector<int> thinAndClassify(const std::vector<int>& magnitude,
                                 const std::vector<int>& direction, int w, int h) {
    const int pw = w + 2;
    std::vector<int> m = padded(magnitude.data(), w, h, w);
    // Neighbour pairs per class, as offsets in the padded array.
    const int before[4] = {-1, -pw + 1, -pw - 1, -pw};
    const int after[4] = {1, pw - 1, pw + 1, pw};
    std::vector<int> classes(size_t(w) * h);
    for (int y = 0; y < h; ++y) {
        const int* row = m.data() + size_t(y + 1) * pw + 1;
        const int* dir = direction.data() + size_t(y) * w;
        int* out = classes.data() + size_t(y) * w;
        for (int x = 0; x < w; ++x) {
            const int v = row[x], d = dir[x];
            const bool kept = v >= row[x + before[d]] && v >= row[x + after[d]];
            out[x] = classify(kept ? v : 0);
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
                for (int i = 0; i < n; ++i)
                    dst[i] += src[i] & 1;
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

QImage CircleCheckTask::firstFrameHalfSize(const QString& path) {
    FFMpegDecoder360G decoder;
    if (decoder.initWithFilePath(path.toUtf8().constData()) != 0)
        return QImage();
    AVFrame** cell = decoder.readNextVideoFrame();
    if (!cell)
        return QImage();
    AVFrame* frame = *cell;
    // Wrapped with the frame's own stride; scaled() makes the copy that outlives the frame.
    QImage wrapped(frame->data[0], frame->width, frame->height, frame->linesize[0],
                   QImage::Format_ARGB32);
    QImage half = wrapped.scaled(frame->width / 2, frame->height / 2, Qt::IgnoreAspectRatio,
                                 Qt::FastTransformation);
    av_frame_unref(frame);
    av_frame_free(&frame);
    delete cell;
    decoder.releaseResource();
    return half;
}

std::optional<CircleInfo> CircleCheckTask::findCircle(const QImage& image) {
    if (image.isNull())
        return std::nullopt;
    const QImage grey = image.format() == QImage::Format_Grayscale8
                            ? image
                            : image.convertToFormat(QImage::Format_Grayscale8);
    const std::vector<uint8_t> edges = edgeMap(grey);
    return searchCircle(edges.data(), grey.width(), grey.height());
}

std::vector<uint8_t> CircleCheckTask::edgeMap(const QImage& grey) {
    const int w = grey.width(), h = grey.height();
    if (w <= 0 || h <= 0)
        return {};
    std::vector<int> magnitude(size_t(w) * h), direction(size_t(w) * h);
    sobel(grey, magnitude, direction);
    std::vector<int> classes = thinAndClassify(magnitude, direction, w, h);
    traceHysteresis(classes, w, h);
    std::vector<uint8_t> edges(classes.size());
    for (size_t i = 0; i < classes.size(); ++i)
        edges[i] = uint8_t(std::clamp(classes[i], 0, 255));
    return edges;
}

void CircleCheckTask::traceHysteresis(std::vector<int>& classes, int width, int height) {
    const int dx[6] = {0, 1, -1, 1, -1, 0}, dy[6] = {-1, -1, 0, 0, 1, 1};
    std::vector<int> pending;
    for (int start = 0; start < width * height; ++start) {
        if (classes[start] != kStrong)
            continue;
        pending.push_back(start);
        while (!pending.empty()) {
            const int at = pending.back();
            pending.pop_back();
            const int x = at % width, y = at / width;
            for (int k = 0; k < 6; ++k) {
                const int nx = x + dx[k], ny = y + dy[k];
                if (nx < 0 || nx >= width || ny < 0 || ny >= height)
                    continue;
                const int next = ny * width + nx;
                if (classes[next] == kWeak) {
                    classes[next] = kStrong;
                    pending.push_back(next);
                }
            }
        }
    }
    for (int& c : classes) {
        if (c == kWeak)
            c = 0;
    }
}

std::optional<CircleInfo> CircleCheckTask::searchCircle(const uint8_t* edges, int width,
                                                        int height) {
    const int minRadius = std::max(0, width / 2 - kInnerGap), maxRadius = width / 2 - kOuterGap;
    if (maxRadius < minRadius || height <= 0)
        return std::nullopt;
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
    if (gx == 0)
        return gy == 0 ? 0 : 3;
    // tan(22.5) and tan(67.5): a ratio of integer gradients never equals them exactly.
    static const double lo = std::tan(22.5 * kPi / 180), hi = std::tan(67.5 * kPi / 180);
    const double t = double(gy) / gx;
    if (t >= -lo && t < lo)
        return 0;
    if (t >= lo && t < hi)
        return 1;
    if (t >= -hi && t < -lo)
        return 2;
    return 3;
}

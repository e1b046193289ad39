// The lens-circle search: discs and recordings found, the acceptance rule, ties, the
// hysteresis neighbourhood, long chains, wide images read inside their bounds, the
// direction classes against the angle formula, and the search object's chains.
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>

#include "CircleCheckTask.h"
#include "EventWait.h"
#include "FirstFrameReader.h"
#include "LensCircleSearch.h"
#include "RecordingFiles.h"
#include "RecordingWriter.h"
#include "TestEnv.h"
#include "ThreadWatch.h"

namespace {

const double kPi = 3.141592653589793;

QImage disc(int width, int height, int cx, int cy, int radius) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const bool inside = (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
            row[x] = inside ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        }
    }
    return image;
}

// The points the search samples for one candidate, marked as edges.
void markSampledCircle(std::vector<uint8_t>& edges, int width, int cx, int cy, int r) {
    for (int a = 0; a < 90; ++a) {
        const int c = int(std::cos(a * kPi / 180) * r), s = int(std::sin(a * kPi / 180) * r);
        for (auto [dx, dy] : {std::pair{c, s}, {c, -s}, {-c, -s}, {-c, s}})
            edges[size_t(cy + dy) * width + cx + dx] = 255;
    }
}

// `size` bytes ending right before a page that cannot be read.
class GuardedBuffer {
  public:
    explicit GuardedBuffer(size_t size) {
        const size_t page = size_t(sysconf(_SC_PAGESIZE));
        span = (size + page - 1) / page * page + page;
        base = static_cast<uint8_t*>(
            mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(base + span - page, page, PROT_NONE);
        data = base + span - page - size;
    }
    ~GuardedBuffer() { munmap(base, span); }
    uint8_t* data;

  private:
    uint8_t* base;
    size_t span;
};

}  // namespace

TEST(CircleCheck, WhiteDiscFoundWithinOnePixel) {
    struct Case {
        int side, cx, cy, radius;
    } cases[] = {{240, 120, 120, 100},
                 {240, 121, 118, 91},
                 {300, 150, 150, 135},
                 {240, 120, 120, 109}};  // the outermost radius searched
    for (const Case& c : cases) {
        const std::optional<CircleInfo> found =
            CircleCheckTask::findCircle(disc(c.side, c.side, c.cx, c.cy, c.radius));
        ASSERT_TRUE(found) << c.side;
        EXPECT_LE(std::abs(found->centerX - c.cx), 1);
        EXPECT_LE(std::abs(found->centerY - c.cy), 1);
        EXPECT_LE(std::abs(found->radius - c.radius), 1);
        EXPECT_GT(found->score, 59);
        CircleInfo full;
        EXPECT_EQ(CircleInfo::toFullFrame(found, c.side, c.side, &full), 0);
        EXPECT_EQ(full.centerX, 2 * found->centerX);
        EXPECT_EQ(full.radius, 2 * found->radius);
    }
}

TEST(CircleCheck, UniformImageGivesNone) {
    QImage grey(200, 200, QImage::Format_ARGB32);
    grey.fill(qRgb(128, 128, 128));
    const std::optional<CircleInfo> found = CircleCheckTask::findCircle(grey);
    EXPECT_FALSE(found);
    CircleInfo full{1, 2, 3, 4};
    EXPECT_EQ(CircleInfo::toFullFrame(found, 200, 200, &full), -1);
    EXPECT_EQ(full.centerX, 0);
    EXPECT_EQ(full.radius, 0);
}

TEST(CircleCheck, TooNarrowImagesTryNoNegativeRadius) {
    EXPECT_FALSE(CircleCheckTask::findCircle(disc(21, 21, 10, 10, 5)));
    // 40 px: radii 0 to 9 only; a disc of radius 8 is still found.
    const std::optional<CircleInfo> found = CircleCheckTask::findCircle(disc(40, 40, 20, 20, 8));
    ASSERT_TRUE(found);
    EXPECT_LE(found->radius, 9);
    EXPECT_FALSE(CircleCheckTask::findCircle(QImage()));
}

TEST(CircleCheck, AcceptanceRule) {
    struct Case {
        int dx, dy, score, expected;
    } cases[] = {
        {0, 0, 60, 0},     {30, 0, 60, 0},   {-30, 30, 360, 0}, {31, 0, 360, -1},
        {0, -31, 360, -1}, {0, 31, 360, -1}, {0, 0, 59, -1},    {-31, -31, 60, -1},
    };
    for (int width : {480, 481}) {
        for (const Case& c : cases) {
            const CircleInfo found{width / 2 + c.dx, 240 + c.dy, 225, c.score};
            CircleInfo full;
            EXPECT_EQ(CircleInfo::toFullFrame(found, width, 480, &full), c.expected)
                << width << " " << c.dx << " " << c.dy << " " << c.score;
            if (c.expected == 0) {
                EXPECT_EQ(full.centerX, 2 * found.centerX);
                EXPECT_EQ(full.centerY, 2 * found.centerY);
                EXPECT_EQ(full.radius, 450);
            }
        }
    }
    CircleInfo full;
    EXPECT_EQ(CircleInfo::toFullFrame(std::nullopt, 480, 480, &full), -1);
}

// The first and the last radius searched, each on its own: found exactly, every sample on it.
TEST(CircleCheck, InnermostAndOutermostRadiiAreSearched) {
    const int w = 200;  // radii 70 to 89
    for (int radius : {70, 89}) {
        std::vector<uint8_t> edges(size_t(w) * w, 0);
        markSampledCircle(edges, w, 100, 100, radius);
        const std::optional<CircleInfo> found = CircleCheckTask::searchCircle(edges.data(), w, w);
        ASSERT_TRUE(found) << radius;
        EXPECT_EQ(found->radius, radius);
        EXPECT_EQ(found->score, 360) << radius;
        EXPECT_EQ(found->centerX, 100);
        EXPECT_EQ(found->centerY, 100);
    }
}

// The edge maps of black-to-white steps, 8 x 8: a grid-aligned step has two equal magnitudes
// side by side, and the tie keeps both; a diagonal step is thinned across itself, to two
// pixels a row.
TEST(CircleCheck, EdgeMapsOfSteps) {
    const struct {
        const char* name;
        std::function<bool(int x, int y)> white;
        const char* edges;
    } cases[] = {
        {"vertical", [](int x, int) { return x >= 4; },
         "...##..."
         "...##..."
         "...##..."
         "...##..."
         "...##..."
         "...##..."
         "...##..."
         "...##..."},
        {"horizontal", [](int, int y) { return y >= 4; },
         "........"
         "........"
         "........"
         "########"
         "########"
         "........"
         "........"
         "........"},
        {"falling diagonal", [](int x, int y) { return x + y >= 8; },
         "........"
         "......##"
         ".....##."
         "....##.."
         "...##..."
         "..##...."
         ".##....."
         ".#......"},
        {"rising diagonal", [](int x, int y) { return x >= y; },
         "........"
         "##......"
         ".##....."
         "..##...."
         "...##..."
         "....##.."
         ".....##."
         "......#."},
    };
    const int n = 8;
    for (const auto& c : cases) {
        QImage grey(n, n, QImage::Format_Grayscale8);
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) grey.scanLine(y)[x] = c.white(x, y) ? 255 : 0;
        const std::vector<uint8_t> edges = CircleCheckTask::edgeMap(grey);
        std::string drawn;
        for (uint8_t e : edges) drawn += e == 255 ? '#' : e == 0 ? '.' : '?';
        EXPECT_EQ(drawn, c.edges) << c.name;
    }
}

TEST(CircleCheck, TiesGoToLargerRadiusThenFirstCentre) {
    const int w = 200;  // radii 70 to 89
    std::vector<uint8_t> edges(size_t(w) * w, 0);
    markSampledCircle(edges, w, 90, 110, 75);
    markSampledCircle(edges, w, 110, 95, 80);
    std::optional<CircleInfo> found = CircleCheckTask::searchCircle(edges.data(), w, w);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->score, 360);
    EXPECT_EQ(found->radius, 80);
    EXPECT_EQ(found->centerX, 110);
    EXPECT_EQ(found->centerY, 95);

    std::fill(edges.begin(), edges.end(), 0);
    markSampledCircle(edges, w, 115, 100, 80);
    markSampledCircle(edges, w, 85, 104, 80);
    found = CircleCheckTask::searchCircle(edges.data(), w, w);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->score, 360);
    EXPECT_EQ(found->centerX, 85);
    EXPECT_EQ(found->centerY, 104);
}

TEST(CircleCheck, ImageLessTallThanWideIsReadInsideItsBounds) {
    const int w = 200, h = 160;
    GuardedBuffer buffer(size_t(w) * h);
    std::fill(buffer.data, buffer.data + size_t(w) * h, 255);  // every pixel an edge
    const std::optional<CircleInfo> found = CircleCheckTask::searchCircle(buffer.data, w, h);
    ASSERT_TRUE(found);
    // Rows below the image hold no edge: the winner lies wholly inside it.
    EXPECT_EQ(found->score, 360);
    EXPECT_LE(found->centerY + found->radius, h);  // the lowest sample is at radius - 1

    std::vector<uint8_t> edges(size_t(w) * h, 0);
    markSampledCircle(edges, w, 100, 80, 72);
    std::copy(edges.begin(), edges.end(), buffer.data);
    const std::optional<CircleInfo> upper = CircleCheckTask::searchCircle(buffer.data, w, h);
    ASSERT_TRUE(upper);
    EXPECT_EQ(upper->score, 360);
    EXPECT_EQ(upper->centerY, 80);
}

TEST(CircleCheck, HysteresisFollowsSixNeighboursOnly) {
    struct Case {
        int dx, dy;
        bool joined;
    } cases[] = {{0, -1, true}, {1, -1, true}, {-1, 0, true},   {1, 0, true},
                 {-1, 1, true}, {0, 1, true},  {-1, -1, false}, {1, 1, false}};
    for (const Case& c : cases) {
        std::vector<uint8_t> classes(25, 0);
        classes[2 * 5 + 2] = 255;
        classes[(2 + c.dy) * 5 + 2 + c.dx] = 127;
        CircleCheckTask::traceHysteresis(classes, 5, 5);
        EXPECT_EQ(classes[(2 + c.dy) * 5 + 2 + c.dx], c.joined ? 255 : 0) << c.dx << "," << c.dy;
    }
    // A weak chain reaching the strong pixel only through a lower-right step stays out.
    std::vector<uint8_t> chain = {255, 0,   0,   0,  //
                                  0,   127, 127, 127};
    CircleCheckTask::traceHysteresis(chain, 4, 2);
    EXPECT_EQ(chain, (std::vector<uint8_t>{255, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(CircleCheck, LongWeakChainCompletes) {
    // A serpentine of weak pixels a million long, strong only at its far end.
    const int w = 1001, h = 2001;
    std::vector<uint8_t> classes(size_t(w) * h, 0);
    for (int y = 0; y < h; y += 2) {
        for (int x = 0; x < w; ++x) classes[size_t(y) * w + x] = 127;
        if (y + 1 < h) classes[size_t(y + 1) * w + ((y / 2) % 2 ? 0 : w - 1)] = 127;
    }
    classes[size_t(h - 1) * w + w - 1] = 255;
    CircleCheckTask::traceHysteresis(classes, w, h);
    size_t strong = 0, weak = 0;
    for (uint8_t c : classes) {
        strong += c == 255;
        weak += c == 127;
    }
    EXPECT_EQ(weak, 0u);
    EXPECT_EQ(strong, size_t(w) * 1001 + 1000);
}

TEST(CircleCheck, DirectionClassesMatchTheAngleFormula) {
    auto byAngle = [](int gx, int gy) {
        if (gx == 0) return gy == 0 ? 0 : 3;
        const double a = std::atan(double(gy) / gx) * (180 / kPi);
        if (a >= -22.5 && a < 22.5) return 0;
        if (a >= 22.5 && a < 67.5) return 1;
        if (a >= -67.5 && a < -22.5) return 2;
        return 3;
    };
    int mismatches = 0;
    for (int gx = -1020; gx <= 1020; ++gx) {
        for (int gy = -1020; gy <= 1020; ++gy)
            mismatches += CircleCheckTask::directionClass(gx, gy) != byAngle(gx, gy);
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(CircleCheck, LensCircleOfARecordingFoundOnItsThread) {
    const std::string path = TestEnv::makeDir("circle") + "/LENS.MOV";
    recording::ClipOptions options;
    options.width = options.height = 960;
    options.seconds = 1;
    options.audio = false;
    std::string error;
    ASSERT_TRUE(recording::encodeClip(path, options, &error)) << error;

    const QImage half = FirstFrameReader::halfSize(QString::fromStdString(path));
    ASSERT_EQ(half.size(), QSize(480, 480));
    CircleCheckTask task(half);
    bool finished = false;
    QObject::connect(&task, &QThread::finished, [&] { finished = true; });
    EXPECT_FALSE(task.getResult());
    task.start(QThread::InheritPriority);
    ASSERT_TRUE(EventWait::waitFor([&] { return finished; }, 20000));
    CircleInfo full;
    ASSERT_EQ(CircleInfo::toFullFrame(task.getResult(), task.getImage().width(),
                                      task.getImage().height(), &full),
              0);
    // Drawn: centre (W / 2 - 0.5, H / 2 - 0.5), radius 0.47 x 960.
    EXPECT_LE(std::abs(full.centerX - 479.5), 2.0);
    EXPECT_LE(std::abs(full.centerY - 479.5), 2.0);
    EXPECT_LE(std::abs(full.radius - 451.2), 2.0);
}

TEST(CircleCheck, FirstFrameOfBrokenFilesIsNull) {
    const std::string dir = TestEnv::makeDir("broken-frames");
    ASSERT_TRUE(recording::writeFile(dir + "/EMPTY.MOV", ""));
    ASSERT_TRUE(recording::writeRandom(dir + "/RANDOM.MOV", 50000, 7));
    for (const char* name : {"/EMPTY.MOV", "/RANDOM.MOV", "/MISSING.MOV"})
        EXPECT_TRUE(FirstFrameReader::halfSize(QString::fromStdString(dir + name)).isNull())
            << name;
}

namespace {

// A 1 s recording of the camera's lens pattern or of a plain grey picture, 960 x 960.
QString recordingOf(const char* name, bool lens) {
    const std::string path = TestEnv::makeDir("search") + "/" + name;
    recording::ClipOptions options;
    options.width = options.height = 960;
    options.seconds = 1;
    options.audio = false;
    if (!lens) options.solidColor = "gray";
    std::string error;
    EXPECT_TRUE(recording::encodeClip(path, options, &error)) << error;
    return QString::fromStdString(path);
}

}  // namespace

// A chain started while another runs supersedes it: the earlier one reports nothing, even
// when its lens is found, and its task is joined when the search goes.
TEST(LensCircleSearch, OnlyTheLatestChainReports) {
    const QString lens = recordingOf("LENS.MOV", true), grey = recordingOf("GREY.MOV", false);
    const struct {
        const char* name;
        QStringList first;  // started first; empty: not started
        QStringList latest;
        std::vector<int> reported;  // result, then 0 or 1 for a circle near the drawn one
    } cases[] = {
        {"lens alone", {}, {lens}, {0, 1}},
        {"lens after a refused grey", {}, {grey, lens}, {0, 1}},
        {"grey after lens", {lens}, {grey}, {-1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ThreadWatch watch;
        std::vector<std::vector<int>> reports;
        {
            LensCircleSearch search;
            QObject::connect(
                &search, &LensCircleSearch::finished, [&](int r, int x, int y, int radius) {
                    const bool near = std::abs(x - 480) <= 2 && std::abs(y - 480) <= 2 &&
                                      std::abs(radius - 451) <= 2;
                    reports.push_back({r, near ? 1 : 0});
                });
            if (!c.first.isEmpty()) search.start(c.first);
            search.start(c.latest);
            ASSERT_TRUE(EventWait::waitFor(
                [&] { return !reports.empty() && watch.running().isEmpty(); }, 30000));
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(reports, std::vector<std::vector<int>>{c.reported});
    }
}

TEST(LensCircleSearch, GoingWhileItsTaskRunsJoinsIt) {
    const QString lens = recordingOf("LENS.MOV", true);
    ThreadWatch watch;
    auto search = std::make_unique<LensCircleSearch>();
    search->start({lens});
    // Without the event loop: the task's end is not handled before the search goes.
    QElapsedTimer clock;
    clock.start();
    while (watch.running().isEmpty() && clock.elapsed() < 10000) QThread::msleep(1);
    ASSERT_EQ(watch.running().join(",").toStdString(), "CircleCheckTask");
    search.reset();
    EXPECT_EQ(watch.running().join(",").toStdString(), "");
}

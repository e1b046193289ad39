#pragma once

#include <QColor>
#include <QString>

#include <mutex>
#include <vector>

#include "TestEnv.h"
#include "V360Transitor.h"

// Fixtures of the section tests: clips encoded with the ffmpeg tool, pictures written with
// QImage, and a transitor that records its calls.
namespace SectionFixtures {

// A new folder of the test sandbox (inline: the test program brings TestEnv).
inline QString folder(const char* name) { return QString::fromStdString(TestEnv::makeDir(name)); }
// An H.264 clip of `seconds` at 27 frames a second, of one colour; with `soundSeconds` > 0 a
// silent AAC track of that length (stereo, 44100 Hz). An existing file is kept.
QString solidClip(const QString& path, int width, int height, QColor colour, double seconds,
                  double soundSeconds);
// A lossless one-colour-per-half equirectangular clip: the upper half `top`, the lower `bottom`.
QString halvesClip(const QString& path, int width, int height, QColor top, QColor bottom,
                   double seconds);
// A lossless clip of ffmpeg's test pattern.
QString patternClip(const QString& path, int width, int height, double seconds);
// A picture of one colour (format from the suffix).
QString solidImage(const QString& path, int width, int height, QColor colour);
// The raw mono 16-bit samples at 44100 Hz of a file's sound.
std::vector<short> monoSamples(const QString& path);
// Root mean square of samples [from, to) seconds.
double rms(const std::vector<short>& samples, double from, double to);

// One call of a transitor.
struct Call {
    double progress;
    void* src1;
    void* src2;
    void* dst;
};

// Records every call, draws nothing. Thread-safe.
class SpyTransitor : public V360Transitor {
  public:
    SpyTransitor(int width, int height) : V360Transitor(8, width, height) {}
    void composeTransitionFrame(double progress, void* src1, void* src2, void* dst) override {
        std::lock_guard<std::mutex> hold(lock);
        calls.push_back({progress, src1, src2, dst});
    }
    std::vector<Call> take() {
        std::lock_guard<std::mutex> hold(lock);
        std::vector<Call> out;
        out.swap(calls);
        return out;
    }

  private:
    std::mutex lock;
    std::vector<Call> calls;
};

}  // namespace SectionFixtures

#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QImage>
#include <QThread>

#include "CircleInfo.h"

// Hysteresis thresholds of the edge classification, read at each run.
extern int THREAD_HOLD_LOW;
extern int THREAD_HOLD_HIGH;

// Finds the fisheye lens circle in one still image on a thread of its own:
//
// 1. grey image;
// 2. 3x3 Sobel gradient (|Gx| + |Gy|) and a direction class of four;
// 3. non-maximum suppression along the direction class;
// 4. classification into none, weak and strong by the two thresholds;
// 5. hysteresis: weak pixels joined to strong ones through six neighbours become strong;
// 6. edge map of 0 / 255 bytes;
// 7. ring search: 20 radii just inside half the width, every centre that keeps the circle
//    inside the width, 360 samples per candidate; the best score wins, ties go to the larger
//    radius, then to the first in search order.
//
// The caller starts the task, waits for finished() (queued to its own thread), reads the
// result and deletes the task later. A task is never restarted.
class CircleCheckTask : public QThread {
    Q_OBJECT

  public:
    explicit CircleCheckTask(QImage image);
    ~CircleCheckTask() override;

    // The examined image (grey once the search has run). Read after finished().
    QImage getImage() const;
    // None until the thread has finished, or when no candidate scored above 0.
    std::optional<CircleInfo> getResult() const;

    // Steps 1 to 8 on the calling thread.
    static std::optional<CircleInfo> findCircle(const QImage& image);
    // Steps 2 to 6 on a grey image: W x H bytes, 0 or 255, row-major.
    static std::vector<uint8_t> edgeMap(const QImage& grey);
    // Step 5 in place over a class map of 0 / 127 / 255 values; still-weak pixels end as 0.
    static void traceHysteresis(std::vector<uint8_t>& classes, int width, int height);
    // Step 7 over an edge map of `width` x `height` bytes. Rows at or beyond the height hold
    // no edge, so an image less tall than wide is never read outside.
    static std::optional<CircleInfo> searchCircle(const uint8_t* edges, int width, int height);
    // Direction class of a gradient (0 to 3), by the angle atan(gy / gx) in degrees.
    static int directionClass(int gx, int gy);

  protected:
    void run() override;

  private:
    QImage image;
    std::optional<CircleInfo> result;
};

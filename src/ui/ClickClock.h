#pragma once

#include <functional>

#include <QtGlobal>

// The time source of the click-aware widgets: milliseconds since the epoch, replaceable for
// tests. Main thread only.
class ClickClock {
  public:
    // Longest press-to-release time of a click, milliseconds.
    static constexpr qint64 kMaxClickMs = 300;

    static qint64 now();
    // True when a release now ends a click pressed at `pressTime`.
    static bool isClick(qint64 pressTime);
    // An empty source restores QDateTime::currentMSecsSinceEpoch.
    static void setSource(std::function<qint64()> source);
};

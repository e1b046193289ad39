#include "ClickClock.h"

#include <QDateTime>

namespace {
std::function<qint64()>& source() {
    static std::function<qint64()> installed;
    return installed;
}
}  // namespace

qint64 ClickClock::now() { return source() ? source()() : QDateTime::currentMSecsSinceEpoch(); }

bool ClickClock::isClick(qint64 pressTime) { return now() - pressTime <= kMaxClickMs; }

void ClickClock::setSource(std::function<qint64()> s) { source() = std::move(s); }

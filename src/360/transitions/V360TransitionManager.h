#pragma once

#include <QList>
#include <QString>

#include "ColorStyleUtil.h"

class V360Transitor;

// Makes transitors by type code, keeps them for reuse (owning) and forwards title settings.
// One thread.
class V360TransitionManager {
  public:
    V360TransitionManager();
    ~V360TransitionManager();
    V360TransitionManager(const V360TransitionManager&) = delete;
    V360TransitionManager& operator=(const V360TransitionManager&) = delete;

    // 8 when forceFade is non-zero or no title is wanted, else 2, 3 or 4 at random.
    int getType(int forceFade, int, bool wantTitle);
    // The cached transitor of this type and size, else a new cached one. arg: the title text
    // (zero-terminated) for 2, 3, 4; the icon set (int*, null meaning 0) for 7, whose cached
    // transitors of another icon set are skipped. Null for an unknown type. Borrowed.
    V360Transitor* allocTransitor(int type, int width, int height, void* arg);
    void setTitleBackground(V360Transitor* transitor, void* frame, int w, int h);
    void updateTitleText(V360Transitor* transitor, QString text, COLOR_STYLE textColor,
                         COLOR_STYLE backgroundColor);
    void updateTitleDuration(V360Transitor* transitor, double seconds);
    void setAirplaneEffectIcon(int) {}

  private:
    V360Transitor* create(int type, int width, int height, void* arg) const;

    int titleTypeCount = 3;
    QList<V360Transitor*> cache;
};

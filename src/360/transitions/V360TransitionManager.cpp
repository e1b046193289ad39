#include "V360TransitionManager.h"

#include <cstdlib>

#include "V360AirPlaneTransitor.h"
#include "V360EndTitle.h"
#include "V360FadeTransitor.h"
#include "V360FlyInTitle.h"
#include "V360PeelingLinesTransitor.h"
#include "V360WipeCenterTitle.h"
#include "V360ZoomTitle.h"

namespace {

int iconSetOf(void* arg) { return arg ? *static_cast<int*>(arg) : 0; }

}  // namespace

V360TransitionManager::V360TransitionManager() = default;

V360TransitionManager::~V360TransitionManager() { qDeleteAll(cache); }

int V360TransitionManager::getType(int forceFade, int, bool wantTitle) {
    if (forceFade || !wantTitle) return 8;
    return 2 + std::rand() % titleTypeCount;
}

V360Transitor* V360TransitionManager::allocTransitor(int type, int width, int height, void* arg) {
    for (V360Transitor* t : cache) {
        if (t->getType() != type || t->getWidth() != width || t->getHeight() != height) continue;
        const auto* plane = dynamic_cast<V360AirPlaneTransitor*>(t);
        if (plane && plane->getIconId() != iconSetOf(arg)) continue;
        return t;
    }
    V360Transitor* made = create(type, width, height, arg);
    if (made) cache.append(made);
    return made;
}

V360Transitor* V360TransitionManager::create(int type, int width, int height, void* arg) const {
    switch (type) {
        case 2:
            return new V360FlyInTitle(type, width, height, arg);
        case 3:
            return new V360WipeCenterTitle(type, width, height, arg);
        case 4:
            return new V360ZoomTitle(type, width, height, arg);
        case 7:
            return new V360AirPlaneTransitor(type, width, height, iconSetOf(arg));
        case 8:
            return new V360FadeTransitor(type, width, height);
        case 9:
            return new V360PeelingLinesTransitor(type, width, height);
        case 11:
            return new V360EndTitle(type, width, height);
        default:
            return nullptr;
    }
}

void V360TransitionManager::setTitleBackground(V360Transitor* transitor, void* frame, int w,
                                               int h) {
    if (auto* title = dynamic_cast<V360BoxTitle*>(transitor)) title->setBackground(frame, w, h);
}

void V360TransitionManager::updateTitleText(V360Transitor* transitor, QString text,
                                            COLOR_STYLE textColor, COLOR_STYLE backgroundColor) {
    if (auto* flyIn = dynamic_cast<V360FlyInTitle*>(transitor)) {
        flyIn->releaseResource();
        flyIn->updateTitleText(text);
    } else if (auto* wipe = dynamic_cast<V360WipeCenterTitle*>(transitor)) {
        wipe->updateTitleText(text, textColor, backgroundColor);
    } else if (auto* zoom = dynamic_cast<V360ZoomTitle*>(transitor)) {
        zoom->updateTitleText(text);
    }
}

void V360TransitionManager::updateTitleDuration(V360Transitor* transitor, double seconds) {
    if (auto* wipe = dynamic_cast<V360WipeCenterTitle*>(transitor))
        wipe->updateTitleDuration(seconds);
}

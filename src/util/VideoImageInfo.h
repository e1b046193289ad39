#pragma once

#include <QString>

// One frame request of VideoImageHelper.
struct VideoImageInfo {
    QString path;
    double time = 0.0;  // seconds
    int index = -1;     // -1 for requests made without one
};

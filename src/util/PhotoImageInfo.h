#pragma once

#include <QString>

// One thumbnail request of PhotoImageHelper.
struct PhotoImageInfo {
    QString path;              // the fisheye photo
    QString rotationDataPath;  // the file whose attitude data gives the photo's rotation
    double time = 0.0;         // only handed back in the signals
    int index = -1;
};

#pragma once

#include <QMetaType>

// How the player shows the recording; the view-mode bar chooses, the player panel and the
// dewarp view follow.
enum PLAYBACK_MODE {
    MODE_ORIGINAL = 0,     // the raw fisheye frame (plain view)
    MODE_PANORAMA = 1,     // panorama band
    MODE_TWO_IN_ONE = 2,   // two half views
    MODE_FOUR_IN_ONE = 3,  // four quarter views
    MODE_ANGLE = 4         // the interactive angle view
};

Q_DECLARE_METATYPE(PLAYBACK_MODE)

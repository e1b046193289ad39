#pragma once

#include <QFlags>

namespace QtAV {

// What the player does when a file ends and no repeat is left.
enum MediaEndActionFlag {
    MediaEndAction_Default = 0,      // stop; the renderer's current frame is cleared
    MediaEndAction_KeepDisplay = 1,  // stop; the last frame stays the current one
    MediaEndAction_Pause = 2         // pause on the last frame instead of stopping
};
Q_DECLARE_FLAGS(MediaEndAction, MediaEndActionFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(MediaEndAction)

}  // namespace QtAV

#pragma once

#include <QString>

// Draws the player panel's control pictures into <root>/image/playerView/.
bool drawPlayerPictures(const QString& root, const QString& family);
// Draws the view-mode bar's pictures into <root>/image/modeView/ (the Japanese captions
// in `jaFamily`).
bool drawModePictures(const QString& root, const QString& family, const QString& jaFamily);

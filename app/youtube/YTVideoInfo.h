#pragma once

#include <QString>

// Privacy of an uploaded video. Fixed base type: any other stored value stays defined (private).
enum YT_VIDEO_PRIVACY : int { YT_PUBLIC = 0, YT_UNLISTED = 1, YT_PRIVATE = 2 };

// One upload request: the converted file, its title and its privacy.
struct YTVideoInfo {
    QString filePath;
    QString title;
    YT_VIDEO_PRIVACY privacy = YT_PRIVATE;
};

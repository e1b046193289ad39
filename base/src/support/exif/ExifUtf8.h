#pragma once

#include <libexif/exif-data.h>

#ifdef __cplusplus
extern "C" {
#endif

// Loads the EXIF block of the image at the UTF-8 `path` through OsalInputFile. Null when the file
// does not open or holds no EXIF block; otherwise the caller releases it with exif_data_unref.
ExifData* exif_data_new_from_file_utf8(const char* path);

#ifdef __cplusplus
}
#endif

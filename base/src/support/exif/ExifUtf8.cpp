#include "ExifUtf8.h"

#include <memory>
#include <vector>

#include <libexif/exif-loader.h>

#include "OsalInputFile.h"

namespace {

struct LoaderUnref {
    void operator()(ExifLoader* loader) const { exif_loader_unref(loader); }
};

const unsigned long kChunk = 1024;

// Feeds the file to the loader until the file ends, a read fails or the loader is satisfied.
void feed(ExifLoader* loader, OsalInputFile& file) {
    std::vector<unsigned char> buffer(kChunk);
    for (;;) {
        const unsigned long count = file.read(buffer.data(), kChunk);
        if (count == 0 || count > kChunk) return;
        if (!exif_loader_write(loader, buffer.data(), static_cast<unsigned int>(count))) return;
    }
}

}  // namespace

ExifData* exif_data_new_from_file_utf8(const char* path) {
    std::unique_ptr<ExifLoader, LoaderUnref> loader(exif_loader_new());
    if (!loader) return nullptr;
    OsalInputFile file(path);
    if (file.open() == 0) {
        feed(loader.get(), file);
        file.close();
    }
    return exif_loader_get_data(loader.get());
}

// The trip-record parser on an arbitrary file.
#include <cstdint>
#include <string>

#include <QString>

#include "FuzzFile.h"
#include "GpsDataParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzFile::write(data, size);
    if (path.empty()) return 0;
    GpsDataParser parser;
    parser.parse(QString::fromStdString(path));
    GpsDataParser checker;
    checker.checkIsRavlixFile(QString::fromStdString(path));
    return 0;
}

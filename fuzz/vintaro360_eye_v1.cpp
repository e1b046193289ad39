// Version-1 eye files.
#include "FuzzFile.h"
#include "Vintaro360Files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzFile::write(data, size);
    List<QuaternionAttitude> list;
    int offset;
    double rate;
    parseVintaro360EyeFile(path.c_str(), list, &offset, &rate);
    return 0;
}

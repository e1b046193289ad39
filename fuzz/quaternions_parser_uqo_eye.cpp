// Version-2 eye files through the attitude parser.
#include "FuzzFile.h"
#include "QuaternionsParserUqoEye.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzFile::write(data, size);
    QuaternionsParserUqoEye parser;
    parser.parse(path.c_str(), 0);
    float q[4];
    parser.findAttitude(25, q);
    return 0;
}

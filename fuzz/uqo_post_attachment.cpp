// "UQOCam" attachment and "}Vintaro360" end tag.
#include <cstdlib>

#include "CameraTrailers.h"
#include "FuzzFile.h"
#include "UQOPostAttachment.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzFile::write(data, size);
    UQOPostAttachment attachment;
    if (getUQOPostAttachment(path.c_str(), &attachment) == 0) {
        attachment.getTakenTime();
        std::free(attachment.tag);
    }
    double cx, cy, r;
    getVintaro360CircleInfo(path.c_str(), 1920, 1080, &cx, &cy, &r);
    return 0;
}

// The JSON parser on arbitrary text.
#include <cstdint>
#include <string>

#include "EJsonError.h"
#include "SimpleJsonObj.h"
#include "SimpleJsonParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        delete SimpleJsonParser::parse(text.c_str());
    } catch (const EJsonError&) {
    }
    return 0;
}

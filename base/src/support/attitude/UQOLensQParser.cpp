#include "UQOLensQParser.h"

#include <cctype>
#include <cstring>
#include <memory>

#include "LogSystem.h"
#include "OsalInputFile.h"
#include "ResultCode.h"
#include "TrailerBlock.h"

// Parse: 1. the trailer and its first field L, 2. the L bytes before the trailer, 3. one sample
// per line.
namespace {

const char* const kTag = "UQOLensQParser";
const char kMagic[] = "UQOLens{";
constexpr size_t kMagicLength = sizeof(kMagic) - 1;

// Digits from byte 8 up to the first ','; -13 when absent or not digits.
int blockLength(const char* tail, long long* length) {
    const char* comma = static_cast<const char*>(
        std::memchr(tail + kMagicLength, ',', kTrailerSize - kMagicLength));
    if (comma == nullptr || comma == tail + kMagicLength) return ResultCode::kBadSeparator;
    long long v = 0;
    for (const char* p = tail + kMagicLength; p < comma; ++p) {
        if (!std::isdigit(static_cast<unsigned char>(*p)) || v > (1LL << 40))
            return ResultCode::kBadSeparator;
        v = v * 10 + (*p - '0');
    }
    *length = v;
    return 0;
}

}  // namespace

bool UQOLensQParser::canParse(const char* path) {
    char tail[kTrailerSize + 1];
    long long size;
    return readTrailerBlock(path, tail, &size) == 0 && std::memcmp(tail, kMagic, kMagicLength) == 0;
}

bool UQOLensQParser::canParseFile(const char* path) { return canParse(path); }

int UQOLensQParser::parse(const char* path, int maxCount) {
    samples.deleteAllObjsAndReset();
    char tail[kTrailerSize + 1];
    long long size, length = 0;
    int result = readTrailerBlock(path, tail, &size);
    if (result != 0) return result;
    if (std::memcmp(tail, kMagic, kMagicLength) != 0) return ResultCode::kAbsent;
    if ((result = blockLength(tail, &length)) != 0) return result;
    if (length == 0) return 0;
    if (length > size - static_cast<long long>(kTrailerSize)) {
        LogSystem::e(kTag, "Attitude block of %lld bytes passes the file start", length);
        return ResultCode::kTruncated;
    }
    std::string block(static_cast<size_t>(length), '\0');
    OsalInputFile file(path);
    if (file.open() != 0) return ResultCode::kCannotOpen;
    if (file.seek(size - kTrailerSize - length, 0) != 0 ||
        file.read(&block[0], block.size()) != block.size())
        return ResultCode::kTruncated;
    const std::vector<std::string> lines = strSplit(block, "\n");
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i + 1 == lines.size() && lines[i].empty()) break;  // the block ends with "\n"
        const std::vector<std::string> f = strSplit(lines[i], ",");
        long long time;
        float q[4];
        if (f.size() < 5) {
            LogSystem::e(kTag, "Parse failed, format not correct, line:%s", lines[i].c_str());
            break;
        }
        if (!takeTime(f[0], &time) || !takeQuaternion(f, 1, q)) {
            LogSystem::e(kTag, "Parse failed, translate data error, line:%s", lines[i].c_str());
            break;
        }
        addSample(time, q);
        if (maxCount >= 1 && samples.size() >= static_cast<size_t>(maxCount)) break;
    }
    return 0;
}

#include "UQOCompanionFiles.h"

#include <cstring>
#include <string>

#include "LogSystem.h"
#include "OsalInputFile.h"

namespace {

const char* const kTag = "file360";

// Length of the folder part of `path`, including its last separator.
size_t folderLength(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? 0 : slash + 1;
}

char* newCopy(const std::string& text) {
    char* copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

// The first existing of "<dir>/<name><suffix>", "<dir>/AppView/..." and "<dir>/AppView\...".
char* locateCompanion(const std::string& path, const std::string& suffix) {
    const std::string stem = path.substr(0, path.size() - 4);
    const std::string folder = stem.substr(0, folderLength(stem));
    const std::string name = stem.substr(folder.size());
    const std::string candidates[] = {stem + suffix, folder + "AppView/" + name + suffix,
                                      folder + "AppView\\" + name + suffix};
    for (const std::string& candidate : candidates)
        if (OsalInputFile(candidate.c_str()).exists()) return newCopy(candidate);
    return nullptr;
}

bool hasExtension(const char* path) {
    const size_t length = path ? std::strlen(path) : 0;
    return length >= 4 && path[length - 4] == '.';
}

}  // namespace

char* locateUQOEyePath(const char* path, bool log) {
    if (!hasExtension(path)) {
        if (log) LogSystem::e(kTag, "%s is not with correct file extension!", path ? path : "");
        return nullptr;
    }
    char* found = locateCompanion(path, ".eye");
    if (found == nullptr && log) LogSystem::e(kTag, "Cannot locate eye file from %s!", path);
    return found;
}

char* locateUQOPrePath(const char* path, bool log) {
    const size_t length = path ? std::strlen(path) : 0;
    if (length < 4 || std::strcmp(path + length - 4, ".MP4") != 0) {
        if (log) LogSystem::e(kTag, "%s is not with correct file extension!", path ? path : "");
        return nullptr;
    }
    char* found = locateCompanion(path, "_PRE.MP4");
    if (found == nullptr && log) LogSystem::e(kTag, "Cannot locate PRE file from %s!", path);
    return found;
}

char* _identifyUQOSourceTag(const char* path) {
    std::string name(path ? path : "");
    name.erase(0, folderLength(name));
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    if (name.size() >= 4 && name[name.size() - 4] == '_') name.erase(name.size() - 4);
    return strdup(name.c_str());
}

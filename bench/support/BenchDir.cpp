#include "BenchDir.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace BenchDir {

namespace {

struct ScratchFolder {
    ScratchFolder() {
        char pattern[] = "/tmp/rvbench-XXXXXX";
        const char* made = mkdtemp(pattern);
        path = made ? made : "";
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

}  // namespace

const std::string& path() {
    static const ScratchFolder folder;
    static const std::string fallback = "/tmp";
    return folder.path.empty() ? fallback : folder.path;
}

}  // namespace BenchDir

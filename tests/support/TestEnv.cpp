#include "TestEnv.h"

#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <string>

#include <sys/stat.h>

namespace TestEnv {

static std::string g_root;

static void makeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0) throw std::runtime_error("cannot create " + path);
}

void isolate() {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/rvtest-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create the test sandbox");
    g_root = pattern;
    const char* names[][2] = {{"HOME", "home"},
                              {"XDG_DATA_HOME", "home/.local/share"},
                              {"XDG_CONFIG_HOME", "home/.config"},
                              {"XDG_CACHE_HOME", "home/.cache"},
                              {"XDG_RUNTIME_DIR", "runtime"},
                              {"TMPDIR", "tmp"}};
    makeFolder(g_root + "/home");
    makeFolder(g_root + "/home/.local");
    makeFolder(g_root + "/home/.local/share");
    makeFolder(g_root + "/home/.config");
    makeFolder(g_root + "/home/.cache");
    makeFolder(g_root + "/runtime");
    makeFolder(g_root + "/tmp");
    for (auto& n : names) setenv(n[0], (g_root + "/" + n[1]).c_str(), 1);
    // Nothing listens on port 9: the video service and the maps script are never reached
    // unless a test serves them. No maps key unless a test gives one.
    const char* service[][2] = {{"RV_YT_API_BASE", "http://127.0.0.1:9"},
                                {"RV_YT_LOGIN_PAGE", "http://127.0.0.1:9/googleLogin/"},
                                {"RV_YT_LOGOUT_PAGE", "http://127.0.0.1:9/logout"},
                                {"RV_MAPS_SCRIPT_URL", "http://127.0.0.1:9/maps/api/js"}};
    for (auto& s : service) setenv(s[0], s[1], 1);
    unsetenv("RV_MAPS_API_KEY");
    setTimeZone("");
}

const std::string& root() { return g_root; }

std::string makeDir(const std::string& name) {
    std::string path = g_root + "/" + name;
    for (int i = 1; mkdir(path.c_str(), 0700) != 0; ++i)
        path = g_root + "/" + name + "-" + std::to_string(i);
    return path;
}

void setTimeZone(const std::string& tz) {
    setenv("TZ", tz.empty() ? "UTC" : tz.c_str(), 1);
    tzset();
}

}  // namespace TestEnv

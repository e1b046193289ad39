#pragma once

#include <string>

// Per-process test sandbox: a fresh folder that holds HOME and the XDG folders.
namespace TestEnv {

// Creates the sandbox and points HOME, XDG_DATA_HOME, XDG_CONFIG_HOME,
// XDG_CACHE_HOME and XDG_RUNTIME_DIR into it; sets TZ to UTC, the video service's addresses
// (RV_YT_*) and the maps script's (RV_MAPS_SCRIPT_URL) to a closed port on 127.0.0.1, and
// removes any maps key (RV_MAPS_API_KEY). Call before any Qt application object exists.
void isolate();

// The sandbox root, valid after isolate().
const std::string& root();

// A new empty folder inside the sandbox, named after `name`.
std::string makeDir(const std::string& name);

// Sets TZ and re-reads it (tzset); "" restores UTC.
void setTimeZone(const std::string& tz);

}  // namespace TestEnv

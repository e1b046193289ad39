#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "AutoSerialFileLogger.h"
#include "LogSystem.h"

// Shared by the logging tests: a settable clock, file helpers and a fixture that leaves the
// process-wide LogSystem as it found it (stopped, do-nothing logger, level INFO).
namespace LogTest {

// The fake clock's current time; fakeClock() returns it.
extern time_t now;
time_t fakeClock();

// Seconds since the epoch of a UTC date and time.
time_t utc(int year, int month, int day, int hour, int minute, int second);

std::string readFile(const std::string& path);
std::vector<std::string> lines(const std::string& path);
// Names of the plain files in `dir`, in name order ignoring case.
std::vector<std::string> listDir(const std::string& dir);
void touch(const std::string& path);

}  // namespace LogTest

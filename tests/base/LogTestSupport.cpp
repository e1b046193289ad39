#include "LogTestSupport.h"

#include <fstream>
#include <sstream>

#include "FileUtil.h"

namespace LogTest {

time_t now = 0;

time_t fakeClock() { return now; }

time_t utc(int year, int month, int day, int hour, int minute, int second) {
    struct tm fields = {};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    return timegm(&fields);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> lines(const std::string& path) {
    std::vector<std::string> result;
    std::istringstream in(readFile(path));
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

std::vector<std::string> listDir(const std::string& dir) {
    List<char*> names = FileUtil::scanDir(dir.c_str());
    std::vector<std::string> result(names.begin(), names.end());
    names.freeAllAndReset();
    return result;
}

void touch(const std::string& path) { std::ofstream(path) << "old\n"; }

}  // namespace LogTest

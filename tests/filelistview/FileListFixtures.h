#pragma once

#include <string>
#include <vector>

#include <QString>
#include <QStringList>

class FileListView;

// Recordings and helpers shared by the file browser's widget tests.
namespace fixtures {

// A 1 s recording without sound: a plain grey picture of `size` x `size`, or the fisheye lens
// pattern. Made once per path and kind, then copied.
std::string clip(const std::string& path, int size, bool lens = false);

// Fails the running test on any "QObject::connect" warning; installed once.
void failOnConnectWarnings();

// Message boxes answered with Ok; their texts are collected.
struct MessageLog {
    MessageLog();
    ~MessageLog();
    QStringList texts;
};

// The names of the signals of `view`, in emission order.
struct SignalLog {
    explicit SignalLog(FileListView* view);
    std::vector<std::string> names;
    std::vector<std::vector<int>> circles;
    QStringList changedFiles;
    int count(const std::string& name) const;
};

}  // namespace fixtures

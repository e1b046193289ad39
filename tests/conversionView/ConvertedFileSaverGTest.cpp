// Saving a converted video under a chosen name, on small files in a fresh folder per case:
// what the folder holds afterwards, file by file.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "ConvertedFileSaver.h"
#include "TestEnv.h"

namespace {

const char* const kConverted = "tempExport.mp4";

// "path=bytes" per file below `dir`, sorted and joined by spaces.
std::string contents(const QString& dir) {
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        file.open(QIODevice::ReadOnly);
        files << QDir(dir).relativeFilePath(file.fileName()) + "=" + file.readAll();
    }
    files.sort();
    return files.join(' ').toStdString();
}

std::string sorted(QStringList files) {
    files.sort();
    return files.join(' ').toStdString();
}

void write(const QString& dir, const QStringList& files) {
    for (const QString& entry : files) {
        const QString path = dir + "/" + entry.section('=', 0, 0);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(entry.section('=', 1).toUtf8());
    }
}

TEST(ConvertedFileSaver, SavesOnlyWhenTheCopyIsInPlaceAndOtherwiseKeepsEveryFile) {
    const struct {
        const char* what;
        QStringList before;
        QString chosen;
        ConvertedFileSaver::Result result;
        QStringList after;  // empty: as before
    } cases[] = {
        {"adds the suffix",
         {"tempExport.mp4=video"},
         "clip",
         ConvertedFileSaver::Saved,
         {"clip.mp4=video"}},
        {"replaces a file of that name",
         {"clip.MP4=older", "tempExport.mp4=video"},
         "clip.MP4",
         ConvertedFileSaver::Saved,
         {"clip.MP4=video"}},
        {"the converted file itself",
         {"tempExport.mp4=video"},
         "tempExport",
         ConvertedFileSaver::SameFile,
         {}},
        {"a folder that is a file",
         {"file=x", "tempExport.mp4=video"},
         "file/out.mp4",
         ConvertedFileSaver::Failed,
         {}},
        {"the copy cannot take the target's place",
         {"clip.mp4=older", "clip.mp4.part/keep=k", "tempExport.mp4=video"},
         "clip.mp4",
         ConvertedFileSaver::Failed,
         {}},
        {"nothing converted", {"clip.mp4=older"}, "clip.mp4", ConvertedFileSaver::Failed, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString dir = QString::fromStdString(TestEnv::makeDir("save"));
        write(dir, c.before);
        EXPECT_EQ(c.result, ConvertedFileSaver::save(dir + "/" + kConverted, dir + "/" + c.chosen));
        EXPECT_EQ(sorted(c.after.isEmpty() ? c.before : c.after), contents(dir));
    }
}

}  // namespace

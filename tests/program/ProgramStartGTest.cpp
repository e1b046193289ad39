#include <signal.h>

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

namespace {

const QString kTitle = "QUENDRA TRELLIQ";
const QString kMainLine = "INFO  MAIN: QUENDRA TRELLIQ, ver. 3.0.0";

QString dataFolder() { return QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")) + "/" + kTitle; }

QString logFile(int serial) {
    return QString("%1/log/%2-%3-%4.log")
        .arg(dataFolder(), kTitle, QDate::currentDate().toString("yyyy-MM-dd"))
        .arg(serial, 3, 10, QChar('0'));
}

QString deviceIdStored() {
    QString config = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    QDir dir(config);
    for (const QString& sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QString path = dir.filePath(sub + "/" + kTitle + ".ini");
        if (QFile::exists(path))
            return QSettings(path, QSettings::IniFormat).value("deviceId").toString();
    }
    return QString();
}

bool waitForFile(const QString& path, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(path) && clock.elapsed() < ms) QThread::msleep(20);
    return QFile::exists(path);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void startProgram(QProcess* process) {
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(RV_PROGRAM_PATH, QStringList());
    ASSERT_TRUE(process->waitForStarted(5000));
}

// One run through: the primary, a secondary beside it, the primary ended by SIGTERM, a
// new primary; each with its own log file of the day.
TEST(ProgramStartTest, PrimarySecondaryAndRestartInIsolatedFolders) {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QProcess primary;
    startProgram(&primary);
    ASSERT_TRUE(waitForFile(logFile(1), 20000));
    QString id = deviceIdStored();
    EXPECT_EQ(id.size(), 38);
    EXPECT_TRUE(id.startsWith('{') && id.endsWith('}')) << id.toStdString();

    QProcess secondary;
    startProgram(&secondary);
    ASSERT_TRUE(secondary.waitForFinished(20000));
    EXPECT_EQ(secondary.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(secondary.exitCode(), 0);
    EXPECT_TRUE(contents(logFile(2)).contains(kMainLine.toUtf8()));
    EXPECT_EQ(deviceIdStored(), id);
    EXPECT_EQ(primary.state(), QProcess::Running);

    ::kill(primary.processId(), SIGTERM);
    ASSERT_TRUE(primary.waitForFinished(20000));
    EXPECT_EQ(primary.exitCode(), 143);
    EXPECT_TRUE(contents(logFile(1)).contains(kMainLine.toUtf8()));

    // Only a primary builds the window, whose encoder probe writes its trial file.
    const QString trial = dataFolder() + "/testEncode.mov";
    QFile::remove(trial);
    QProcess next;
    startProgram(&next);
    ASSERT_TRUE(waitForFile(logFile(3), 20000));
    EXPECT_TRUE(waitForFile(trial, 60000)) << "the launch after SIGTERM is primary";
    EXPECT_EQ(next.state(), QProcess::Running);
    ::kill(next.processId(), SIGTERM);
    ASSERT_TRUE(next.waitForFinished(20000));
    EXPECT_EQ(next.exitCode(), 143);
    EXPECT_EQ(deviceIdStored(), id);
}

}  // namespace

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSharedMemory>
#include <QThread>

#include <gtest/gtest.h>

namespace {

QString probePath() { return QCoreApplication::applicationDirPath() + "/guard_probe"; }

// One launch of the probe; its first line tells primary or secondary and the instance id.
struct Launch {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QString line;

    void begin(const QStringList& arguments = QStringList()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process->setProcessEnvironment(env);
        process->start(probePath(), arguments);
    }
    // The next line the probe prints, waiting up to 20 s for each piece of it.
    QString nextLine() {
        while (!process->canReadLine())
            if (!process->waitForReadyRead(20000)) return QString();
        return QString::fromLatin1(process->readLine()).trimmed();
    }
    // Lines up to and including the first that starts with `prefix`; empty at the end.
    QStringList linesUntil(const QString& prefix) {
        QStringList lines;
        do {
            lines << nextLine();
        } while (!lines.last().isEmpty() && !lines.last().startsWith(prefix));
        return lines;
    }
    void start(const QStringList& arguments = QStringList()) {
        begin(arguments);
        ASSERT_TRUE(process->waitForStarted(5000));
        line = nextLine();
    }
    int endWith(int signum) {
        ::kill(process->processId(), signum);
        process->waitForFinished(10000);
        return process->exitStatus() == QProcess::CrashExit ? -1 : process->exitCode();
    }
    int endByInput() {
        process->closeWriteChannel();
        process->waitForFinished(10000);
        return process->exitCode();
    }
};

class SingleApplicationTest : public ::testing::Test {
  protected:
    void TearDown() override {
        for (auto& launch : launches) {
            if (launch->process->state() != QProcess::NotRunning) launch->endWith(SIGKILL);
        }
    }
    Launch& launch(const QStringList& arguments = QStringList()) {
        launches.push_back(std::make_unique<Launch>());
        launches.back()->start(arguments);
        return *launches.back();
    }
    std::vector<std::unique_ptr<Launch>> launches;
};

TEST_F(SingleApplicationTest, ThreeLaunchesGetIdsZeroOneTwo) {
    EXPECT_EQ(launch().line, "primary 0");
    EXPECT_EQ(launch().line, "secondary 1");
    EXPECT_EQ(launch().line, "secondary 2");
}

TEST_F(SingleApplicationTest, NormalEndOfPrimaryLetsTheNextOneBePrimary) {
    Launch& first = launch();
    ASSERT_EQ(first.line, "primary 0");
    EXPECT_EQ(first.endByInput(), 0);
    EXPECT_EQ(launch().line, "primary 0");
}

TEST_F(SingleApplicationTest, TerminatingSignalsReleaseAndExitWith128PlusSignal) {
    for (int signum : {SIGTERM, SIGINT, SIGHUP}) {
        Launch& primary = launch();
        ASSERT_EQ(primary.line, "primary 0") << signum;
        EXPECT_EQ(primary.endWith(signum), 128 + signum);
    }
    EXPECT_EQ(launch().line, "primary 0");
}

TEST_F(SingleApplicationTest, SigtermWhileASecondaryHoldsTheBlock) {
    Launch& primary = launch();
    ASSERT_EQ(primary.line, "primary 0");
    ASSERT_EQ(launch().line, "secondary 1");
    EXPECT_EQ(primary.endWith(SIGTERM), 143);
    // The count is kept while the block lives; the next launch takes over as primary.
    EXPECT_EQ(launch().line, "primary 0");
    EXPECT_EQ(launch().line, "secondary 2");
}

TEST_F(SingleApplicationTest, KilledPrimaryDoesNotLockOutLaterLaunches) {
    Launch& primary = launch();
    ASSERT_EQ(primary.line, "primary 0");
    ASSERT_EQ(launch().line, "secondary 1");  // keeps the stale block alive
    primary.endWith(SIGKILL);
    EXPECT_EQ(launch().line, "primary 0");
}

TEST_F(SingleApplicationTest, KilledLonePrimaryLeavesNoBlockBehind) {
    Launch& primary = launch();
    ASSERT_EQ(primary.line, "primary 0");
    primary.endWith(SIGKILL);
    EXPECT_EQ(launch().line, "primary 0");
}

TEST_F(SingleApplicationTest, FaultSignalClearsTheFlag) {
    Launch& primary = launch();
    ASSERT_EQ(primary.line, "primary 0");
    ASSERT_EQ(launch().line, "secondary 1");
    EXPECT_EQ(primary.endWith(SIGSEGV), 128 + SIGSEGV);
    EXPECT_EQ(launch().line, "primary 0");
}

// The server name as the guard derives it, with the user line taken from "whoami".
QString expectedName() {
    QProcess whoami;
    whoami.start("whoami", QStringList());
    whoami.waitForFinished(5000);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData("SingleApplication");
    hash.addData("guard_probe");
    hash.addData(QFileInfo(probePath()).canonicalFilePath().toUtf8());
    hash.addData(whoami.readLine());
    return QString::fromLatin1(hash.result().toBase64()).replace('/', '_');
}

// Name, type, instance number in host order, then the checksum text the wire rule gives:
// QByteArray::number of the framework's 16-bit CRC in base 256.
QByteArray handshake(char type, quint32 id) {
    QByteArray bytes = expectedName().toLatin1();
    bytes.append(type);
    bytes.append((const char*)&id, 4);
    return bytes + QByteArray::number(qChecksum(bytes.constData(), (uint)bytes.size()), 256);
}

// Whether the primary still holds a connection that sent `bytes` after 400 ms.
bool connectionKept(const QByteArray& bytes) {
    QLocalSocket socket;
    socket.connectToServer(expectedName());
    if (!socket.waitForConnected(2000)) return false;
    socket.write(bytes);
    socket.flush();
    socket.waitForDisconnected(400);
    return socket.state() == QLocalSocket::ConnectedState;
}

TEST_F(SingleApplicationTest, HandshakeWithAFlippedChecksumBitIsRefused) {
    ASSERT_EQ(launch().line, "primary 0");
    QByteArray good = handshake('S', 7);
    QByteArray flipped = good;
    flipped[flipped.size() - 1] = char(flipped[flipped.size() - 1] ^ 1);
    QByteArray badType = good;
    badType[expectedName().size()] = 'X';
    EXPECT_TRUE(connectionKept(good));
    EXPECT_FALSE(connectionKept(flipped));
    EXPECT_FALSE(connectionKept(badType));
    EXPECT_FALSE(connectionKept("garbage"));
}

TEST_F(SingleApplicationTest, SendMessageReachesThePrimary) {
    Launch& primary = launch();
    ASSERT_EQ(primary.line, "primary 0");
    Launch& sender = launch({"send", "hello-primary"});
    ASSERT_EQ(sender.line, "secondary 1");
    EXPECT_EQ(sender.nextLine(), "sent 1");
    EXPECT_EQ(primary.nextLine(), "message 1 hello-primary");
}

TEST_F(SingleApplicationTest, SixSimultaneousLaunchesGiveOnePrimary) {
    std::vector<std::unique_ptr<Launch>> six;
    for (int i = 0; i < 6; ++i) {
        six.push_back(std::make_unique<Launch>());
        six.back()->begin();
    }
    QStringList lines;
    for (auto& one : six) lines << one->nextLine();
    EXPECT_EQ(lines.filter(QRegularExpression("^primary 0$")).size(), 1)
        << lines.join(", ").toStdString();
    EXPECT_EQ(lines.filter(QRegularExpression("^secondary [1-5]$")).size(), 5)
        << lines.join(", ").toStdString();
    for (auto& one : six) launches.push_back(std::move(one));
}

// The block as a launch leaves it: primary flag and secondary count.
struct Block {
    int primary = -1;
    quint32 secondaries = 0;
};

Block readBlock() {
    QSharedMemory memory(expectedName());
    Block block;
    if (!memory.attach(QSharedMemory::ReadOnly)) return block;
    const auto* bytes = static_cast<const quint8*>(memory.constData());
    block.primary = bytes[0];
    std::memcpy(&block.secondaries, bytes + 4, 4);
    return block;
}

TEST_F(SingleApplicationTest, NormalEndOfThePrimaryClearsItsFlagInTheBlock) {
    Launch& primary = launch();
    ASSERT_EQ(primary.line, "primary 0");
    ASSERT_EQ(launch().line, "secondary 1");  // keeps the block alive
    EXPECT_EQ(readBlock().primary, 1);
    EXPECT_EQ(primary.endByInput(), 0);
    const Block block = readBlock();
    EXPECT_EQ(block.primary, 0);
    EXPECT_EQ(block.secondaries, 1u);
}

TEST_F(SingleApplicationTest, AnnouncedSecondaryStartsAnInstanceOnlyWithNotifyPrimary) {
    // The announcing secondary then sends a message on the same connection, so the primary's
    // lines up to that message hold whatever the announcement caused.
    const struct {
        QStringList primaryOptions;
        bool started;
    } rows[] = {{{}, false}, {{"notify"}, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.primaryOptions.join(" ").toStdString());
        Launch& primary = launch(row.primaryOptions);
        ASSERT_EQ(primary.line, "primary 0");
        Launch& sender = launch({"notify", "send", "after-announce"});
        ASSERT_EQ(sender.line, "secondary 1");
        EXPECT_EQ(sender.nextLine(), "sent 1");
        const QStringList lines = primary.linesUntil("message ");
        EXPECT_EQ(lines.last().toStdString(), "message 1 after-announce");
        EXPECT_EQ(lines.contains("started"), row.started) << lines.join(", ").toStdString();
        EXPECT_EQ(primary.endByInput(), 0);
        EXPECT_EQ(sender.endByInput(), 0);
    }
}

TEST_F(SingleApplicationTest, LargeMessagesArriveWholeBeforeTheSenderEnds) {
    // The sender ends as soon as sendMessage returns: what is not out by then is lost.
    Launch& primary = launch({"collect"});
    ASSERT_EQ(primary.line, "primary 0");
    const int sizes[] = {1 << 20, 16 << 20};
    quint32 id = 0;
    for (int size : sizes) {
        SCOPED_TRACE(size);
        Launch& sender = launch({"send-pattern", QString::number(size)});
        ASSERT_EQ(sender.line, "secondary " + QString::number(++id));
        EXPECT_EQ(sender.nextLine(), "sent 1");
        EXPECT_EQ(sender.endByInput(), 0);
        const QString done = QString("received %1 %2").arg(id).arg(size);
        const QStringList lines = primary.linesUntil(done);
        EXPECT_EQ(lines.last().toStdString(), (done + " ok").toStdString())
            << "lines before: " << lines.mid(lines.size() - 3).join(", ").toStdString();
    }
}

TEST_F(SingleApplicationTest, IdleConnectionsDoNotHoldUpThePrimary) {
    Launch& primary = launch();
    ASSERT_EQ(primary.line, "primary 0");
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < 40; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(expectedName());
        ASSERT_TRUE(idle.back()->waitForConnected(2000));
    }
    QLocalSocket sender;
    sender.connectToServer(expectedName());
    ASSERT_TRUE(sender.waitForConnected(2000));
    QElapsedTimer clock;
    clock.start();
    sender.write(handshake('R', 9) + "after-idle");
    sender.flush();
    EXPECT_EQ(primary.nextLine().toStdString(), "message 9 after-idle");
    // Read one after another with a wait of up to 100 ms each, the idle connections would hold
    // the message up for seconds.
    EXPECT_LT(clock.elapsed(), 1000);
    for (auto& socket : idle) EXPECT_TRUE(socket->waitForDisconnected(2000));
    EXPECT_EQ(sender.state(), QLocalSocket::ConnectedState);
}

// An open file whose descriptor is closed at the end of the scope, or earlier by close().
struct OpenFile {
    int fd = -1;
    ~OpenFile() { close(); }
    void close() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
};

// Whether process `pid` holds `path` open.
bool holdsOpen(qint64 pid, const QString& path) {
    const QDir fds(QString("/proc/%1/fd").arg(pid));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::Files | QDir::System))
        if (fd.symLinkTarget() == path) return true;
    return false;
}

TEST_F(SingleApplicationTest, LaunchWaitsForOneThatCreatedTheBlockButHasNotFlaggedIt) {
    // This process plays a launch caught between creating the block (zero-filled) and setting
    // its primary flag: it holds the launches' lock meanwhile, as every launch does.
    const QString lockPath = QDir::tempPath() + "/" + expectedName() + ".lock";
    OpenFile lock{
        ::open(QFile::encodeName(lockPath).constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600)};
    ASSERT_GE(lock.fd, 0);
    ASSERT_EQ(flock(lock.fd, LOCK_EX), 0);
    {
        QSharedMemory stale(expectedName());
        if (stale.attach()) stale.detach();
    }
    QSharedMemory block(expectedName());
    ASSERT_TRUE(block.create(8));
    launches.push_back(std::make_unique<Launch>());
    Launch& other = *launches.back();
    other.begin();
    ASSERT_TRUE(other.process->waitForStarted(5000));
    // The other launch must wait for the lock; deciding now, it would take the flag as 0 and
    // become a second primary.
    QElapsedTimer clock;
    clock.start();
    while (!other.process->canReadLine() && !holdsOpen(other.process->processId(), lockPath) &&
           clock.elapsed() < 20000)
        other.process->waitForReadyRead(5);
    ASSERT_FALSE(other.process->canReadLine()) << other.nextLine().toStdString();
    QLocalServer::removeServer(expectedName());
    QLocalServer server;
    ASSERT_TRUE(server.listen(expectedName()));
    static_cast<quint8*>(block.data())[0] = 1;
    lock.close();
    EXPECT_EQ(other.nextLine().toStdString(), "secondary 1");
}

}  // namespace

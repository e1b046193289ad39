#include "FileListFixtures.h"

#include <map>

#include <gtest/gtest.h>
#include <QFile>

#include "DialogHook.h"
#include "FileListView.h"
#include "RecordingWriter.h"
#include "TestEnv.h"

namespace fixtures {

std::string clip(const std::string& path, int size, bool lens) {
    static std::map<std::pair<int, bool>, std::string> made;
    const auto key = std::make_pair(size, lens);
    if (!made.count(key)) {
        const std::string source = TestEnv::makeDir("clips") + "/" + std::to_string(size) +
                                   (lens ? "_lens.MOV" : "_grey.MOV");
        recording::ClipOptions options;
        options.width = options.height = size;
        options.seconds = 1;
        options.audio = false;
        if (!lens) options.solidColor = "gray";
        std::string error;
        EXPECT_TRUE(recording::encodeClip(source, options, &error)) << error;
        made[key] = source;
    }
    QFile::remove(QString::fromStdString(path));
    EXPECT_TRUE(QFile::copy(QString::fromStdString(made[key]), QString::fromStdString(path)));
    return path;
}

static void failingHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains("QObject::connect")) ADD_FAILURE() << text.toStdString();
    qt_message_output(type, context, text);
}

void failOnConnectWarnings() {
    static bool installed = false;
    if (!installed) qInstallMessageHandler(failingHandler);
    installed = true;
}

// Every test of the program, from its start.
static const bool connectWarningsFail = (failOnConnectWarnings(), true);

MessageLog::MessageLog() {
    DialogHook::setAnswerer([this](const DialogHook::Request& request) {
        texts << request.text;
        DialogHook::Answer answer;
        answer.result = QMessageBox::Ok;
        return answer;
    });
}

MessageLog::~MessageLog() { DialogHook::setAnswerer({}); }

SignalLog::SignalLog(FileListView* view) {
    auto note = [this](const char* name) { return [this, name] { names.push_back(name); }; };
    QObject::connect(view, &FileListView::sigShowWaitingView, note("show"));
    QObject::connect(view, &FileListView::sigHideWaitingView, note("hide"));
    QObject::connect(view, &FileListView::sigChangeDir, note("changeDir"));
    QObject::connect(view, &FileListView::sigCheckError, note("checkError"));
    QObject::connect(view, &FileListView::sigPlayFile, note("play"));
    QObject::connect(view, &FileListView::sigPauseFile, note("pause"));
    QObject::connect(view, &FileListView::sigChangeFile, [this](QString path) {
        names.push_back("changeFile");
        changedFiles << path;
    });
    QObject::connect(view, &FileListView::sigCircleChecked,
                     [this](int r, int x, int y, int radius) {
                         names.push_back("circle");
                         circles.push_back({r, x, y, radius});
                     });
}

int SignalLog::count(const std::string& name) const {
    return int(std::count(names.begin(), names.end(), name));
}

}  // namespace fixtures

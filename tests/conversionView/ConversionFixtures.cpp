#include "ConversionFixtures.h"

#include <QDir>
#include <QMap>

#include "RecordingWriter.h"
#include "TestEnv.h"

namespace ConversionFixtures {

void isolateTemp() {
    const QString temp = QString::fromStdString(TestEnv::root()) + "/tmp";
    QDir().mkpath(temp);
    qputenv("TMPDIR", temp.toUtf8());
}

QString makeRecording(const QString& name, int seconds) {
    static QMap<QString, QString> made;
    if (!made.contains(name)) {
        static const std::string folder = TestEnv::makeDir("card");
        const std::string path = folder + "/" + name.toStdString();
        recording::ClipOptions options;
        options.seconds = seconds;
        if (!recording::writeRecording(path, options)) return QString();
        made[name] = QString::fromStdString(path);
    }
    return made[name];
}

DialogScript::DialogScript() {
    DialogHook::setAnswerer([this](const DialogHook::Request& request) {
        requests.append(request);
        DialogHook::Answer answer;
        if (request.kind == DialogHook::Message) {
            events << "message:" + request.text;
            answer.result = QMessageBox::Ok;
        } else {
            events << "save:" + request.dir;
            answer.path = savePaths.isEmpty() ? QString() : savePaths.takeFirst();
        }
        return answer;
    });
}

DialogScript::~DialogScript() { DialogHook::setAnswerer({}); }

}  // namespace ConversionFixtures

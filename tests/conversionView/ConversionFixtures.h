#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include "DialogHook.h"

// Shared pieces of the conversion tests.
namespace ConversionFixtures {

// Points TMPDIR into the test sandbox, so the jobs' temporary folder is this process's own.
void isolateTemp();

// A recording with trip data and sound written once per process under the sandbox.
QString makeRecording(const QString& name, int seconds);

// Answers every dialog of the program: file choosers with the queued paths (empty when none is
// left: cancelled), message boxes with Ok. Keeps every request; restores the real dialogs when
// it goes.
class DialogScript {
  public:
    DialogScript();
    ~DialogScript();

    QStringList savePaths;
    QVector<DialogHook::Request> requests;
    // "message:<text>" and "save:<dir>", in the order asked.
    QStringList events;
};

}  // namespace ConversionFixtures

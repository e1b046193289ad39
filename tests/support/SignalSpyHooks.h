#pragma once

class QObject;

// Qt's signal-spy hooks (those its test library's signal dumper uses), declared by its private
// headers: each emitted signal and each slot run through a connection reports its object and
// method index, on the thread that runs it. One set at a time, process-wide.
struct QSignalSpyCallbackSet {
    using BeginCallback = void (*)(QObject* caller, int index, void** argv);
    using EndCallback = void (*)(QObject* caller, int index);
    BeginCallback signalBegin, slotBegin;
    EndCallback signalEnd, slotEnd;
};
void qt_register_signal_spy_callbacks(QSignalSpyCallbackSet* callbacks);

#include "QtAudioSink.h"

#include <QAudioDeviceInfo>

namespace QtAV {

namespace {

// Device buffer length in ms: short enough to keep sound close to the picture.
constexpr int kBufferMs = 250;

}  // namespace

std::unique_ptr<QtAudioSink> QtAudioSink::open(int sampleRate, int channels) {
    const QAudioDeviceInfo info = QAudioDeviceInfo::defaultOutputDevice();
    if (info.isNull()) return nullptr;
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(channels);
    format.setSampleSize(16);
    format.setCodec(QStringLiteral("audio/pcm"));
    format.setByteOrder(QAudioFormat::LittleEndian);
    format.setSampleType(QAudioFormat::SignedInt);
    if (!info.isFormatSupported(format)) return nullptr;
    std::unique_ptr<QAudioOutput> output(new QAudioOutput(info, format));
    output->setBufferSize(sampleRate * channels * 2 * kBufferMs / 1000);
    std::unique_ptr<QtAudioSink> sink(new QtAudioSink(std::move(output)));
    if (!sink->start()) return nullptr;
    return sink;
}

QtAudioSink::QtAudioSink(std::unique_ptr<QAudioOutput> out) : output(std::move(out)) {}

bool QtAudioSink::start() {
    device = output->start();
    return device && output->error() == QAudio::NoError;
}

qint64 QtAudioSink::bytesFree() { return device ? output->bytesFree() : 0; }

qint64 QtAudioSink::write(const char* data, qint64 bytes) {
    if (!device) return 0;
    const qint64 written = device->write(data, bytes);
    return written < 0 ? 0 : written;
}

void QtAudioSink::suspend() { output->suspend(); }

void QtAudioSink::resume() { output->resume(); }

void QtAudioSink::reset() {
    const bool wasSuspended = output->state() == QAudio::SuspendedState;
    output->reset();
    if (!start()) device = nullptr;
    if (wasSuspended) output->suspend();
}

}  // namespace QtAV

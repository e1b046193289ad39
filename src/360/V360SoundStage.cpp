#include "V360SoundStage.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

#include "FFMpegAudioExtractor.h"
#include "FFMpegAudioMixer.h"
#include "FFMpegMuxBasedAudioConcatenater.h"
#include "FFMpegUtil.h"
#include "LogSystem.h"
#include "ResultCode.h"

namespace {

const char* const kTag = "V360DispatchThread";

QByteArray utf8(const QString& text) { return text.toUtf8(); }

int extractMusic(const V360SoundStage::Music& music, const QByteArray& target, double start,
                 double seconds) {
    return FFMpegAudioExtractor::extract(utf8(music.path).constData(), target.constData(), start,
                                         seconds, music.volume, true, false);
}

}  // namespace

V360SoundStage::V360SoundStage(QString folder, std::function<void()> step,
                               const std::atomic<bool>* stopping)
    : folder(std::move(folder)), step(std::move(step)), stopping(stopping) {}

QString V360SoundStage::file(const QString& name) const { return folder + "/" + name; }

bool V360SoundStage::isStopping() const { return stopping && stopping->load(); }

int V360SoundStage::make(const std::vector<V360SectionBuilder::Sound>& sections, double videoVolume,
                         bool muted, const Music& music, int framesDispatched, QString* sound) {
    sound->clear();
    if (folder.isEmpty()) {
        LogSystem::e(kTag, "can not create temp dir?");
        return ResultCode::kSetupFailed;
    }
    if (muted) {
        if (music.path.isEmpty()) return 0;
        const QString part = file(QString("%1.m4a").arg(QDateTime::currentMSecsSinceEpoch()));
        const int result = prepareMusicFile(music, framesDispatched, part);
        if (result < 0) {
            LogSystem::e(kTag, "prepareMusicFile failed::%d", result);
            return result;
        }
        step();
        *sound = part;
        return isStopping() ? ResultCode::kCancelled : 0;
    }
    int result = joinSectionSounds(sections, videoVolume, sound);
    if (result == 0 && !music.path.isEmpty() && music.volume > 0)
        result = mixMusic(music, framesDispatched, sound);
    return result;
}

// Each section's sound in the order added, joined into *sound; two steps.
int V360SoundStage::joinSectionSounds(const std::vector<V360SectionBuilder::Sound>& sections,
                                      double volume, QString* sound) {
    QStringList parts;
    for (size_t i = 0; i < sections.size(); ++i) {
        if (isStopping()) return ResultCode::kCancelled;
        const QString part = file(QString("%1.m4a").arg(i));
        const int result = sections[i](part, volume);
        if (result != 0) {
            LogSystem::e(kTag, "extractAudioToSectionLength:%d", result);
            return result;
        }
        parts.append(part);
    }
    if (parts.isEmpty()) return ResultCode::kAbsent;
    step();
    if (isStopping()) return ResultCode::kCancelled;
    *sound = parts.first();
    if (parts.size() > 1) {
        *sound = file("concat.m4a");
        FFMpegMuxBasedAudioConcatenater concat(utf8(*sound).constData(),
                                               utf8(parts.first()).constData());
        // The join's results are ignored by design: a part that does not join leaves the sound
        // shorter than the video, which the mux still takes.
        for (int i = 1; i < parts.size(); ++i) concat.append(utf8(parts[i]).constData());
        concat.close();
    }
    step();
    return isStopping() ? ResultCode::kCancelled : 0;
}

// The music mixed into *sound; two steps.
int V360SoundStage::mixMusic(const Music& music, int framesDispatched, QString* sound) {
    const QString part = file("tempMusicPath.m4a");
    int result = prepareMusicFile(music, framesDispatched, part);
    if (result < 0) {
        LogSystem::e(kTag, "prepareMusicFile failed::%d", result);
        return result;
    }
    step();
    if (isStopping()) return ResultCode::kCancelled;
    const QString mixed = file("mixAudio.m4a");
    result = FFMpegAudioMixer::mix(utf8(*sound).constData(), utf8(part).constData(),
                                   utf8(mixed).constData());
    if (result < 0) {
        LogSystem::e(kTag, "mixAudioFiles failed::%d", result);
        return result;
    }
    step();
    *sound = mixed;
    return isStopping() ? ResultCode::kCancelled : 0;
}

int V360SoundStage::prepareMusicFile(const Music& music, int framesDispatched,
                                     const QString& target) {
    if (music.path.isEmpty()) return ResultCode::kAbsent;
    const double videoLength = framesDispatched / 30.0;
    const double musicLength = FFMpegUtil::getAudioLength(music.path);
    if (musicLength <= 0) return ResultCode::kMediaError;
    const double start = std::max(music.start, 0.0);
    const double end = music.end > 0 ? music.end : musicLength;
    const double segment = std::min(musicLength, end) - start;
    // An empty range would never fill the video.
    if (segment <= 0) return ResultCode::kBadArgument;
    if (segment >= videoLength) return extractMusic(music, utf8(target), start, videoLength);
    QTemporaryDir dir;
    if (!dir.isValid()) return ResultCode::kSetupFailed;
    const QByteArray ready = utf8(QString("%1/volumeReadyMusic.m4a").arg(dir.path()));
    int result = extractMusic(music, ready, start, segment);
    if (result < 0) return result;
    FFMpegMuxBasedAudioConcatenater concat(utf8(target).constData(), ready.constData());
    result = concat.getInitError();
    double remaining = music.loop ? videoLength - segment : 0;
    while (result == 0 && remaining >= segment) {
        result = concat.append(ready.constData());
        remaining -= segment;
    }
    if (result == 0 && remaining > 0.001) {
        result = extractMusic(music, ready, start, remaining);
        if (result == 0) result = concat.append(ready.constData());
    }
    const int closedResult = concat.close();
    QFile::remove(QString::fromUtf8(ready));
    return result != 0 ? result : closedResult;
}

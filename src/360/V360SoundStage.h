#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <vector>

#include "V360SectionBuilder.h"

// The sound of a job, made once every frame has been handed out (so it runs while the last
// frames are still rendered and encoded):
//
// 1. Each section's sound in the order added, at the video volume ("<i>.m4a").
// 2. Two parts or more are joined ("concat.m4a").
// 3. With music of a volume above 0: the music cut, looped or padded to the video length and
//    mixed with it ("tempMusicPath.m4a", "mixAudio.m4a").
// A muted job has no sound of its own: only the music (a part named by the time), or none.
// Files are written into the job's folder. Synchronous; one thread at a time. It works on the
// values it is given, never on the sections.
class V360SoundStage {
  public:
    struct Music {
        QString path;  // empty: no music
        double start = 0;
        double end = 0;  // 0 or less: the music's end
        double volume = 0;
        bool loop = false;
    };

    // folder: the job's private folder; step: called after each step (on the caller's
    // thread); stopping: read between steps.
    V360SoundStage(QString folder, std::function<void()> step, const std::atomic<bool>* stopping);

    // The sound into *sound (empty: none, the video stays silent) from the sections' sounds
    // in order. 0, -10002 when stopped, or the failed step's code (logged).
    int make(const std::vector<V360SectionBuilder::Sound>& sections, double videoVolume,
             bool muted, const Music& music, int framesDispatched, QString* sound);

    // The music for a video of framesDispatched / 30 seconds into target: -7 no music, -2 it
    // has no length, -4 an empty range, -3 no temporary folder, else the audio job's code.
    static int prepareMusicFile(const Music& music, int framesDispatched, const QString& target);

  private:
    int joinSectionSounds(const std::vector<V360SectionBuilder::Sound>& sections, double volume,
                          QString* sound);
    int mixMusic(const Music& music, int framesDispatched, QString* sound);
    QString file(const QString& name) const;
    bool isStopping() const;

    const QString folder;
    const std::function<void()> step;
    const std::atomic<bool>* const stopping;
};

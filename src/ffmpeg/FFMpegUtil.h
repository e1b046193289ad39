#pragma once

#include <QString>
#include <QStringList>

#include <atomic>

// Media utilities: duration probes over libavformat, jobs run by the external `ffmpeg` tool
// that lies beside the application (QCoreApplication::applicationDirPath() + "/ffmpeg"), and
// an in-process re-compression.
//
// Tool jobs block the calling thread until the tool ends; call them from worker threads.
// Their result: 0 when the tool exits with 0, -3 when it exits with another code, crashes or
// cannot be started, -30 when there is no tool file, -10002 when cancelled. Every command line
// ends with "-map_metadata" "0". Numbers in arguments are written independently of the locale.
class FFMpegUtil {
  public:
    // The longest duration the program takes from a file, in seconds: a day, far beyond any
    // recording of the camera (minutes), and in milliseconds well within an int.
    static constexpr double kMaxDurationSeconds = 24 * 3600;
    // `seconds` within [0, kMaxDurationSeconds]; NaN and negative values give 0.
    static double boundedDuration(double seconds);

    // Seconds (start, duration) below or at 0 are left out; `volume` is a linear factor.
    // `cancel` (borrowed for the call, any thread may set it): once set, the tool is killed
    // and waited for, and the job gives -10002.
    static int extractAudioFromVideo(const QString& src, const QString& dst, double start,
                                     double duration, double volume,
                                     const std::atomic<bool>* cancel = nullptr);
    static int cutAudioToLength(const QString& src, const QString& dst, double start,
                                double duration, double volume);
    static int concatAudioFiles(const QStringList& srcs, const QString& dst);
    static int mixAudioFiles(const QStringList& srcs, const QString& dst);
    // Re-encodes the picture to H.264 at `bitRate` bits a second and the sound to AAC.
    static int mergeAudioToVideo(const QString& first, const QString& second, const QString& dst,
                                 int bitRate);
    static int transcodeFile(const QString& src, const QString& dst);

    // Seconds of the first video (audio) stream, at most kMaxDurationSeconds; 0 for an empty
    // path, an unreadable file or a file without such a stream. The length of a file whose
    // pictures are above PictureLimits is read all the same; probing sizes none of them.
    static double getVideoLength(const QString& path);
    static double getAudioLength(const QString& path);

    // Keeps FFmpeg's own log to errors for the whole process: no stream dumps or encoder
    // statistics on stderr. The program calls it once at start.
    static void quietLibraryLog();

    // Re-encodes `src` in-process to H.264 at `bitRate` bits a second, scaled to width x height
    // (a value below 1: the source size), keeping the sound by packet copy. False when any step
    // fails, when `bitRate` is not above 0, or (with width and height both below 0) when the
    // source's bit rate is less than 1.3 times `bitRate`. Temporary files "pureVideo.mp4" and
    // "audio.m4a" go beside `dst` and are removed.
    static bool compress(const QString& src, const QString& dst, int bitRate, int width,
                         int height);
    // The same through the tool; the scale filter only when width and height are both above 0.
    // True when the tool succeeded.
    static bool compressV2(const QString& src, const QString& dst, int bitRate, int width,
                           int height);
};

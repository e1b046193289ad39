// Tool runner: the `ffmpeg` beside the application, started without a shell; its output is
// discarded and its exit code mapped to 0 / -3 (-30 without a tool file).
//
// In-process re-compression, in order:
// 1. open the source scaled to the requested size (BGRA);
// 2. encode every frame at its own time into "pureVideo.mp4" beside the destination;
// 3. without sound: that file becomes the destination; with sound: the sound is copied into
//    "audio.m4a" and both are muxed into the destination; the temporary files are removed.

#include "FFMpegUtil.h"

#include <algorithm>
#include <atomic>
#include <memory>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include "FFMpegAVMuxer.h"
#include "FFMpegAudioExtractor.h"
#include "FFMpegBasicSupport.h"
#include "FFMpegCodecDecoder.h"
#include "FFMpegHandles.h"
#include "FFMpegVideoDecoder.h"
#include "FFMpegVideoEncoder.h"
#include "LogSystem.h"
#include "ResultCode.h"
#include "VideoSrcFrame.h"

namespace {

const char* const TAG = "FFMpegUtil";

const int START_WAIT_MS = 30000;
const int FINISH_WAIT_MS = 43200000;  // 12 hours a period
// How often a cancellable run looks at its flag.
const int CANCEL_POLL_MS = 10;
// compress goes on only when the source's bit rate exceeds the requested one by this factor.
const double MIN_BIT_RATE_RATIO = 1.3;

// Computed at the first call (thread-safe static), then only read.
const QString& toolPath() {
    static const QString path = QCoreApplication::applicationDirPath() + "/ffmpeg";
    return path;
}

// Seconds as the tool reads them: up to 6 significant digits, '.' as decimal point.
QString seconds(double value) { return QString::number(value, 'g', 6); }

// Runs the tool with `args` + "-map_metadata 0" and waits for its end. With `cancel`, the wait
// looks at the flag every CANCEL_POLL_MS: once it is set, the tool is killed and reaped, and
// the run gives -10002, also when the tool had just ended by itself.
int execAndWaitReturn(QStringList args, const std::atomic<bool>* cancel = nullptr) {
    args << "-map_metadata"
         << "0";
    const QString& tool = toolPath();
    if (!QFile::exists(tool)) {
        LogSystem::e(TAG, "Can not found ffmpeg executable file: %s", tool.toUtf8().constData());
        return ResultCode::kCannotOpen;
    }
    const auto cancelled = [cancel] { return cancel && cancel->load(); };
    if (cancelled()) return ResultCode::kCancelled;
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(tool, args, QIODevice::ReadWrite);
    while (process.state() == QProcess::Starting) process.waitForStarted(START_WAIT_MS);
    if (process.state() == QProcess::NotRunning && process.error() == QProcess::FailedToStart) {
        LogSystem::e(TAG, "ffmpeg failed to start: %s", process.errorString().toUtf8().constData());
        return ResultCode::kSetupFailed;
    }
    while (process.state() == QProcess::Running && !cancelled())
        process.waitForFinished(cancel ? CANCEL_POLL_MS : FINISH_WAIT_MS);
    if (cancelled()) {
        // SIGKILL cannot be refused: the wait ends, and leaves no zombie behind.
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(-1);
        }
        return ResultCode::kCancelled;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return ResultCode::kSetupFailed;
    return 0;
}

QStringList extractArgs(const QString& src, const QString& dst, double start, double duration,
                        double volume) {
    QStringList args{"-i", src};
    if (start > 0) args << "-ss" << seconds(start);
    if (duration > 0) args << "-t" << seconds(duration);
    args << "-map"
         << "a"
         << "-af"
         << "volume=" + QString::number(volume, 'f', 6) << "-y" << dst;
    return args;
}

QStringList inputArgs(const QStringList& srcs) {
    QStringList args;
    for (const QString& src : srcs) args << "-i" << src;
    return args;
}

// First stream of `type`: its time base times its duration, in seconds, bounded by
// kMaxDurationSeconds; 0 on any failure.
double streamLength(const QString& path, AVMediaType type) {
    if (path.isEmpty()) return 0;
    const QByteArray name = path.toUtf8();
    AVFormatContext* raw = nullptr;
    int ret = avformat_open_input(&raw, name.constData(), nullptr, nullptr);
    if (ret < 0) {
        LogSystem::e(TAG, "avformat_open_input(\"%s\") failed, error: %d.", name.constData(), ret);
        return 0;
    }
    ffh::InputFormatPtr input(raw);
    ret = FFMpegCodecDecoder::findStreamInfo(input.get());
    if (ret < 0) {
        LogSystem::e(TAG, "avformat_find_stream_info(\"%s\") failed, error: %d.", name.constData(),
                     ret);
        return 0;
    }
    return FFMpegUtil::boundedDuration(
        FFMpegBasicSupport::streamSeconds(FFMpegBasicSupport::firstStream(input.get(), type)));
}

// Encodes every frame of `decoder` into `encoder`; false on the first failure.
bool encodeAllFrames(FFMpegVideoDecoder& decoder, FFMpegVideoEncoder& encoder) {
    for (;;) {
        std::unique_ptr<VideoSrcFrame> frame(decoder.readNextVideoFrame());
        if (!frame) return true;
        const int ret = encoder.encode(frame->getDatePtr(), frame->getFrameSecs());
        if (ret < 0) {
            LogSystem::e(TAG, "compress: encoding a frame failed: %d", ret);
            return false;
        }
    }
}

// The folder part of `path` with its "/" ("" without one).
QString folderOf(const QString& path) {
    const int slash = path.lastIndexOf('/');
    return slash < 0 ? QString() : path.left(slash + 1);
}

// Replaces `to` by `from`.
bool moveFile(const QString& from, const QString& to) {
    QFile::remove(to);
    return QFile::rename(from, to);
}

}  // namespace

int FFMpegUtil::extractAudioFromVideo(const QString& src, const QString& dst, double start,
                                      double duration, double volume,
                                      const std::atomic<bool>* cancel) {
    return execAndWaitReturn(extractArgs(src, dst, start, duration, volume), cancel);
}

int FFMpegUtil::cutAudioToLength(const QString& src, const QString& dst, double start,
                                 double duration, double volume) {
    return execAndWaitReturn(extractArgs(src, dst, start, duration, volume));
}

int FFMpegUtil::concatAudioFiles(const QStringList& srcs, const QString& dst) {
    QStringList args = inputArgs(srcs);
    args << "-filter_complex" << QString("concat=n=%1:v=0:a=1").arg(srcs.size()) << "-vn"
         << "-y" << dst;
    return execAndWaitReturn(args);
}

int FFMpegUtil::mixAudioFiles(const QStringList& srcs, const QString& dst) {
    QStringList args = inputArgs(srcs);
    args << "-filter_complex"
         << QString("amix=inputs=%1:duration=shortest:dropout_transition=0").arg(srcs.size())
         << "-y" << dst;
    return execAndWaitReturn(args);
}

int FFMpegUtil::mergeAudioToVideo(const QString& first, const QString& second, const QString& dst,
                                  int bitRate) {
    return execAndWaitReturn({"-i", first, "-i", second, "-y", "-c:v", "h264", "-b:v",
                              QString::number(bitRate), "-profile:v", "high", "-level", "5.1",
                              "-c:a", "aac", dst});
}

int FFMpegUtil::transcodeFile(const QString& src, const QString& dst) {
    return execAndWaitReturn({"-i", src, dst});
}

double FFMpegUtil::boundedDuration(double seconds) {
    if (!(seconds > 0)) return 0;
    return std::min(seconds, kMaxDurationSeconds);
}

double FFMpegUtil::getVideoLength(const QString& path) {
    return streamLength(path, AVMEDIA_TYPE_VIDEO);
}

double FFMpegUtil::getAudioLength(const QString& path) {
    return streamLength(path, AVMEDIA_TYPE_AUDIO);
}

void FFMpegUtil::quietLibraryLog() { av_log_set_level(AV_LOG_ERROR); }

bool FFMpegUtil::compressV2(const QString& src, const QString& dst, int bitRate, int width,
                            int height) {
    QStringList args{"-i", src, "-y", "-c:v", "h264", "-b:v", QString::number(bitRate)};
    if (width > 0 && height > 0) args << "-vf" << QString("scale=%1:%2").arg(width).arg(height);
    args << "-c:a"
         << "copy" << dst;
    return execAndWaitReturn(args) == 0;
}

bool FFMpegUtil::compress(const QString& src, const QString& dst, int bitRate, int width,
                          int height) {
    if (bitRate <= 0) {
        LogSystem::e(TAG, "compress: bit rate %d refused", bitRate);
        return false;
    }
    const QString folder = folderOf(dst);
    const QByteArray video = (folder + "pureVideo.mp4").toUtf8();
    const QByteArray audio = (folder + "audio.m4a").toUtf8();
    const QByteArray source = src.toUtf8();

    FFMpegVideoDecoder decoder(true, false);
    if (decoder.initWithFilePath(source.constData(), width, height) != 0) return false;
    if (width < 0 && height < 0 &&
        static_cast<double>(decoder.getBitRate()) / bitRate < MIN_BIT_RATE_RATIO) {
        LogSystem::i(TAG, "return since bitRate diff too small");
        return false;
    }
    const bool sourceSize = width < 1 || height < 1;
    FFMpegVideoEncoder encoder;
    if (encoder.init(video.constData(), sourceSize ? decoder.getVideoWidth() : width,
                     sourceSize ? decoder.getVideoHeight() : height, true, -1, bitRate, 0) != 0)
        return false;
    bool ok = encodeAllFrames(decoder, encoder);
    ok = encoder.close() == 0 && ok;
    const bool withSound = static_cast<int>(decoder.getAudioDuration()) >= 1;
    decoder.releaseResource();
    if (!ok) {
        QFile::remove(video);
        return false;
    }
    if (!withSound) {
        if (moveFile(video, dst)) return true;
        LogSystem::e(TAG, "compress: can not move the video to %s", dst.toUtf8().constData());
        QFile::remove(video);
        return false;
    }
    ok = FFMpegAudioExtractor::extract(source.constData(), audio.constData(), -1, -1, 1.0, false,
                                       false) == 0 &&
         FFMpegAVMuxer::mux(audio.constData(), video.constData(), dst.toUtf8().constData()) == 0;
    QFile::remove(audio);
    QFile::remove(video);
    return ok;
}

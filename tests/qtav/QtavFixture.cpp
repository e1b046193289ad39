#include "QtavFixture.h"

#include <algorithm>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QtEndian>

#include "TestEnv.h"
#include "VideoFrameConverter.h"

namespace QtavFixture {

QString make(const QString& name, const Clip& clip) {
    const QString dir = QString::fromStdString(TestEnv::makeDir(name.toStdString()));
    const QString path = dir + "/" + name + ".mp4";
    const QString duration = QString::number(clip.seconds);
    QStringList args{"-v", "error", "-y"};
    if (clip.video) {
        args << "-f"
             << "lavfi"
             << "-i"
             << QString(
                    "nullsrc=s=%1x%2:r=%3:d=%4,format=gray,"
                    "geq=lum='if(bitand(N\\,pow(2\\,floor(X/8)))\\,235\\,16)'")
                    .arg(kWidth)
                    .arg(kHeight)
                    .arg(clip.fps)
                    .arg(duration);
    }
    if (clip.audio)
        args << "-f"
             << "lavfi"
             << "-i"
             << "sine=frequency=440:sample_rate=48000:duration=" + duration;
    if (clip.video)
        args << "-c:v"
             << "libx264"
             << "-pix_fmt"
             << "yuv420p"
             << "-g"
             << "15"
             << "-bf"
             << "2"
             << "-crf"
             << "12";
    if (clip.audio)
        args << "-c:a"
             << "aac";
    args << path;
    return runFfmpeg(args) ? path : QString();
}

bool runFfmpeg(const QStringList& args) {
    QProcess ffmpeg;
    ffmpeg.start(QCoreApplication::applicationDirPath() + "/ffmpeg", args);
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit &&
           ffmpeg.exitCode() == 0;
}

QString makeHugeTimestamps(const QString& name) {
    const QString path =
        QString::fromStdString(TestEnv::makeDir(name.toStdString())) + "/" + name + ".mp4";
    const QStringList args{"-v",
                           "error",
                           "-y",
                           "-f",
                           "lavfi",
                           "-i",
                           QString("testsrc=size=%1x%2:rate=1").arg(kWidth).arg(kHeight),
                           "-frames:v",
                           "4",
                           "-vf",
                           "settb=1,setpts=N*16777216",
                           "-fps_mode",
                           "passthrough",
                           "-enc_time_base",
                           "1",
                           "-c:v",
                           "libx264",
                           "-video_track_timescale",
                           "1",
                           path};
    return runFfmpeg(args) ? path : QString();
}

QString makeUndecodable(const QString& name) {
    const QString path = make(name, {1.0, 30, true, false});
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) return QString();
    QByteArray bytes = file.readAll();
    file.close();
    const int mdat = bytes.indexOf("mdat");
    if (mdat < 4) return QString();
    // The box keeps its size; every picture becomes zeros (NAL units of length 0).
    const qint64 size = qFromBigEndian<quint32>(bytes.constData() + mdat - 4);
    const qint64 end = std::min<qint64>(mdat - 4 + size, bytes.size());
    std::fill(bytes.begin() + mdat + 4, bytes.begin() + end, '\0');
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return QString();
    return path;
}

QString makeAudioFormatChange(const QString& name) {
    const QString base = QString::fromStdString(TestEnv::makeDir(name.toStdString())) + "/" + name;
    QByteArray bytes;
    for (const char* part : {"48000:2", "22050:1"}) {
        const QStringList rateAndChannels = QString(part).split(':');
        const QString path = base + "." + rateAndChannels[0] + ".aac";
        QFile file(path);
        if (!runFfmpeg({"-v", "error", "-y", "-f", "lavfi", "-i",
                        "sine=frequency=440:duration=0.6:sample_rate=" + rateAndChannels[0], "-ac",
                        rateAndChannels[1], "-c:a", "aac", "-f", "adts", path}) ||
            !file.open(QIODevice::ReadOnly))
            return QString();
        bytes += file.readAll();
    }
    QFile out(base + ".aac");
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) return QString();
    return out.fileName();
}

int frameIndex(const QtAV::VideoFrame& frame) {
    const QtAV::VideoFrame bgra =
        QtAV::VideoFrameConverter().convert(frame, QtAV::VideoFormat::Format_BGRA32);
    if (!bgra.isValid() || bgra.width() < 64) return -1;
    const uchar* row = bgra.constBits() + (bgra.height() / 2) * bgra.bytesPerLine();
    int index = 0;
    for (int bit = 0; bit < 8; ++bit) {
        if (row[(bit * 8 + 4) * 4 + 1] > 128)  // green of the column's centre pixel
            index |= 1 << bit;
    }
    return index;
}

}  // namespace QtavFixture

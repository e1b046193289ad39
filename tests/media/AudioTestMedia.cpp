#include "AudioTestMedia.h"

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

extern "C" {
#include <libavformat/avformat.h>
}

#include "LogCapture.h"
#include "LogSystem.h"
#include "TestEnv.h"

namespace AudioTestMedia {

namespace {

QStringList quiet(const QStringList& args) {
    return QStringList{"-hide_banner", "-nostdin", "-loglevel", "error", "-y"} + args;
}

struct Input {
    AVFormatContext* ctx = nullptr;
    explicit Input(const std::string& path) {
        if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0)
            ctx = nullptr;
        else if (avformat_find_stream_info(ctx, nullptr) < 0)
            avformat_close_input(&ctx);
    }
    ~Input() { avformat_close_input(&ctx); }
};

}  // namespace

bool runFfmpeg(const QStringList& args) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start("/usr/bin/ffmpeg", quiet(args));
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

std::string make(const std::string& path, const QStringList& args) {
    EXPECT_TRUE(runFfmpeg(args + QStringList{QString::fromStdString(path)})) << path;
    return path;
}

std::string tone(const std::string& path, int frequency, int rate, int channels, double seconds) {
    return make(path, {"-f", "lavfi", "-i",
                       QString("sine=frequency=%1:sample_rate=%2:duration=%3")
                           .arg(frequency)
                           .arg(rate)
                           .arg(seconds),
                       "-ac", QString::number(channels), "-c:a", "aac", "-b:a", "128k"});
}

std::string toneFromOneSecond(const std::string& path, double seconds) {
    return make(
        path, {"-f", "lavfi", "-i",
               QString("aevalsrc='if(gte(t,1),0.8*sin(2*PI*1000*t),0)':s=44100:d=%1").arg(seconds),
               "-c:a", "aac", "-b:a", "128k"});
}

double soundOnsetSeconds(const std::string& path) {
    const QString raw = QString::fromStdString(path) + ".s16";
    if (!runFfmpeg({"-i", QString::fromStdString(path), "-map", "0:a:0", "-ac", "1", "-ar", "44100",
                    "-f", "s16le", "-c:a", "pcm_s16le", raw}))
        return -1;
    QFile file(raw);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QByteArray bytes = file.readAll();
    std::vector<int16_t> samples(size_t(bytes.size()) / 2);
    std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    int peak = 0;
    for (int16_t s : samples) peak = std::max(peak, std::abs(int(s)));
    for (size_t i = 0; i < samples.size() && peak > 0; ++i)
        if (std::abs(int(samples[i])) * 3 >= peak) return double(i) / 44100.0;
    return -1;
}

std::string silence(const std::string& path, const char* layout, int rate, double seconds) {
    return make(path, {"-f", "lavfi", "-i",
                       QString("anullsrc=channel_layout=%1:sample_rate=%2").arg(layout).arg(rate),
                       "-t", QString::number(seconds), "-c:a", "aac"});
}

std::string clip(const std::string& path, double seconds, bool sound) {
    QStringList args{"-f", "lavfi", "-i",
                     QString("testsrc=size=160x120:rate=25:duration=%1").arg(seconds)};
    if (sound)
        args << "-f"
             << "lavfi"
             << "-i" << QString("sine=frequency=440:sample_rate=48000:duration=%1").arg(seconds)
             << "-c:a"
             << "aac";
    args << "-c:v"
         << "libx264"
         << "-preset"
         << "ultrafast"
         << "-pix_fmt"
         << "yuv420p";
    return make(path, args);
}

StreamFacts streamFacts(const std::string& path, const char* kind) {
    StreamFacts facts;
    Input in(path);
    if (!in.ctx) return facts;
    for (unsigned i = 0; i < in.ctx->nb_streams; ++i) {
        const AVStream* st = in.ctx->streams[i];
        if (std::string(av_get_media_type_string(st->codecpar->codec_type)) != kind) continue;
        facts.codec = avcodec_get_name(st->codecpar->codec_id);
        facts.channels = st->codecpar->ch_layout.nb_channels;
        facts.sampleRate = st->codecpar->sample_rate;
        facts.bitRate = st->codecpar->bit_rate;
        facts.seconds = st->duration == AV_NOPTS_VALUE ? 0 : st->duration * av_q2d(st->time_base);
        break;
    }
    return facts;
}

std::vector<std::string> streamKinds(const std::string& path) {
    std::vector<std::string> kinds;
    Input in(path);
    for (unsigned i = 0; in.ctx && i < in.ctx->nb_streams; ++i)
        kinds.push_back(av_get_media_type_string(in.ctx->streams[i]->codecpar->codec_type));
    return kinds;
}

std::vector<PacketFacts> packets(const std::string& path) {
    std::vector<PacketFacts> all;
    Input in(path);
    if (!in.ctx) return all;
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(in.ctx, pkt) >= 0) {
        all.push_back({pkt->stream_index, pkt->pos, pkt->pts, pkt->dts,
                       std::vector<unsigned char>(pkt->data, pkt->data + pkt->size)});
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    return all;
}

double meanVolumeDb(const std::string& path, const QStringList& filter) {
    QProcess process;
    QStringList af = filter;
    af << "volumedetect";
    process.start("/usr/bin/ffmpeg",
                  {"-hide_banner", "-nostdin", "-i", QString::fromStdString(path), "-af",
                   af.join(","), "-f", "null", "-"});
    if (!process.waitForFinished(120000)) return 1;
    const QString log = QString::fromUtf8(process.readAllStandardError());
    const QRegularExpressionMatch m = QRegularExpression("mean_volume: (-?[0-9.]+) dB").match(log);
    return m.hasMatch() ? m.captured(1).toDouble() : 1;
}

std::string containerTag(const std::string& path, const char* key) {
    Input in(path);
    if (!in.ctx) return "";
    const AVDictionaryEntry* e = av_dict_get(in.ctx->metadata, key, nullptr, 0);
    return e ? e->value : "";
}

std::vector<std::string> topLevelBoxes(const std::string& path) {
    std::vector<std::string> boxes;
    std::ifstream in(path, std::ios::binary);
    unsigned char head[16];
    while (in.read(reinterpret_cast<char*>(head), 8)) {
        unsigned long long size =
            (unsigned long long)head[0] << 24 | head[1] << 16 | head[2] << 8 | head[3];
        boxes.emplace_back(reinterpret_cast<char*>(head + 4), 4);
        long long skip = static_cast<long long>(size) - 8;
        if (size == 1 && in.read(reinterpret_cast<char*>(head + 8), 8)) {
            size = 0;
            for (int i = 8; i < 16; ++i) size = size << 8 | head[i];
            skip = static_cast<long long>(size) - 16;
        }
        if (size == 0 || skip < 0) break;
        in.seekg(skip, std::ios::cur);
    }
    return boxes;
}

bool exists(const std::string& path) { return QFile::exists(QString::fromStdString(path)); }

void clearLog() { LogCapture::install().clear(); }

bool logHas(const std::string& part) {
    for (const LogCapture::Line& line : LogCapture::install().lines())
        if ((line.tag + ": " + line.text).find(part) != std::string::npos) return true;
    return false;
}

bool useCommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
        if (setlocale(LC_NUMERIC, name)) return true;
    const std::string dir = TestEnv::makeDir("locales");
    const std::string cmd = "localedef -i de_DE -f UTF-8 '" + dir + "/de_DE.UTF-8' >/dev/null 2>&1";
    // localedef may warn and still write the locale: the result is judged by setlocale.
    (void)std::system(cmd.c_str());
    setenv("LOCPATH", dir.c_str(), 1);
    const bool ok = setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    return ok && *localeconv()->decimal_point == ',';
}

void restoreLocale() { setlocale(LC_NUMERIC, "C"); }

}  // namespace AudioTestMedia

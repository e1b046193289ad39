#pragma once

#include <string>
#include <vector>

#include <QStringList>

// Fixtures and probes for the audio and muxing tests: media files made with /usr/bin/ffmpeg,
// stream facts read back with libavformat, and a capture of the log lines.
namespace AudioTestMedia {

// Runs /usr/bin/ffmpeg -y with `args`; true on exit code 0.
bool runFfmpeg(const QStringList& args);

// Writes `path` from lavfi sources, e.g. make(path, {"-f", "lavfi", "-i", "sine=..."}).
// Fails the current test when ffmpeg fails.
std::string make(const std::string& path, const QStringList& args);
// A sine tone: AAC at 128 kbit/s unless other output args are given.
std::string tone(const std::string& path, int frequency, int rate, int channels, double seconds);
// Silence of `layout` ("stereo", "5.1", ...).
std::string silence(const std::string& path, const char* layout, int rate, double seconds);
// An H.264 MP4 clip of `seconds` at 25 frames a second, with a 440 Hz AAC track when `sound`.
std::string clip(const std::string& path, double seconds, bool sound);

struct StreamFacts {
    std::string codec;  // "aac", "h264", ...; empty when there is no such stream
    int channels = 0;
    int sampleRate = 0;
    long long bitRate = 0;
    double seconds = 0;  // stream duration
};
// The first stream of the given kind ("audio" or "video").
StreamFacts streamFacts(const std::string& path, const char* kind);
// Number of streams, and the kinds of the streams in order ("video", "audio", ...).
std::vector<std::string> streamKinds(const std::string& path);

struct PacketFacts {
    int stream = 0;
    long long pos = 0;
    long long pts = 0;
    long long dts = 0;
    std::vector<unsigned char> data;
};
// Every packet in demuxing order.
std::vector<PacketFacts> packets(const std::string& path);

// Silence, then from 1.000 s a 1 kHz tone until `seconds`: AAC at 44100 Hz, mono.
std::string toneFromOneSecond(const std::string& path, double seconds);
// Where the sound of the first audio stream, decoded as players do (priming and edit lists
// applied), first reaches a third of its peak; -1 when it cannot be decoded.
double soundOnsetSeconds(const std::string& path);

// Mean level in dB over all channels (ffmpeg's volumedetect); +1 when it cannot be measured.
double meanVolumeDb(const std::string& path, const QStringList& filter = {});

// The container's metadata entry `key`, or "" when missing.
std::string containerTag(const std::string& path, const char* key);

// Top-level box types of an MP4 file in file order.
std::vector<std::string> topLevelBoxes(const std::string& path);

bool exists(const std::string& path);

// Log lines written since the last clear(), as "TAG: text".
void clearLog();
bool logHas(const std::string& part);

// Switches LC_NUMERIC of the process to a comma-decimal locale (building one in the sandbox
// when none is installed); false when impossible. restoreLocale() goes back to "C".
bool useCommaLocale();
void restoreLocale();

}  // namespace AudioTestMedia

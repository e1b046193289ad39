#pragma once

#include <memory>

#include <QList>
#include <QString>

#include "GyroRawInfo.h"

class OsalInputFile;

// Reads the per-second trip records of one recording.
//
// 1. Walk the top-level boxes to "moov", seeking past the others.
// 2. Read the "moov" body, bounded by the bytes left in the file.
// 3. Walk its children to the first box typed "gps?" (the index box).
// 4. For each index entry within the "moov" body, read up to 2000 bytes at
//    its file offset and take the 52-byte record that starts 12 bytes after
//    the "freeGPS" tag. The entry count is unsigned and bounded by what the
//    recording can hold: one record a second of the duration its "mvhd"
//    states (at most FFMpegUtil::kMaxDurationSeconds), plus a minute.
// A top-level size below its header or beyond the file, a child size below 1
// or a child beyond the body stops the walk, keeping the records found so far. Made for one file:
// construct, parse once, read gyroRawInfoList. Not thread-safe; one thread at a time.
class GpsDataParser {
  public:
    GpsDataParser();
    ~GpsDataParser();
    GpsDataParser(const GpsDataParser&) = delete;
    GpsDataParser& operator=(const GpsDataParser&) = delete;

    // Fills gyroRawInfoList (emptied first). Returns -30 when the path is not a
    // regular file or cannot be opened, otherwise 0, also when nothing was found.
    int parse(QString path);

    // The child walk over the first `length` bytes of a "moov" body (borrowed).
    // Blocks are read from the file opened by parse.
    void parseMoovBox(unsigned char* body, int length);

    // True when a "gps?" child of "moov" has "Ravlix" within the 34 positions
    // that begin 32 bytes before it.
    bool checkIsRavlixFile(QString path);
    bool parseMoovBoxAndCheckRavlix(unsigned char* body, int length);

    // Records in index-entry order.
    QList<GyroRawInfo> gyroRawInfoList;

  private:
    // Opens `path` into inputFile, walks to "moov" and reads its body into
    // scratchBuffer. Returns the body bytes read, -1 when there is no usable
    // "moov", -30 when the file cannot be opened.
    int loadMoovBody(const QString& path);
    // Leaves inputFile at the first byte of the "moov" body and returns its
    // claimed length, or -1 when the walk stops first.
    long long seekToMoovBody(long long fileSize);
    bool ensureScratch(long long length);
    // The most records the recording can hold, from the "mvhd" child of the body.
    static long long recordLimit(const unsigned char* body, int length);
    // `available`: the body bytes from the box's first byte on; at most `limit` entries.
    void readIndexBox(const unsigned char* box, int available, long long limit);
    // Reads the block at `offset` of inputFile; nothing when no file was opened.
    void readBlock(int offset);

    QString filePath;
    std::unique_ptr<OsalInputFile> inputFile;
    unsigned char* scratchBuffer = nullptr;  // malloc'd, scratchSize bytes
    long long scratchSize = 0;
};

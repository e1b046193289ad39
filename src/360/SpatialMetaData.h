#pragma once

#include <QString>

#include <vector>

#include "OsalInputFile.h"
#include "OsalOutputFile.h"

// Copies an MP4 file and inserts the Spherical Video V1 "uuid" box (equirectangular) as the
// last child of the first video "trak"; "moov" and that "trak" grow by the box size, every
// other byte is copied unchanged. Media offsets are not adjusted, which keeps files whose
// "moov" follows the media data valid.
//
// 1. Top-level boxes are streamed through one 100,000-byte buffer until "moov".
// 2. "moov" is read whole (its payload, at most kMaxMoovPayload bytes), checked for a video
//    track, written grown, with the box after the first video track's payload.
// 3. The rest of the file is streamed unchanged.
//
// Box sizes are checked against their container and the file; on any failure the
// destination is removed. Logs under "SpatialMetaData".
class SpatialMetaData {
  public:
    // Largest "moov" payload held in memory, in bytes.
    static constexpr long long kMaxMoovPayload = 256LL * 1024 * 1024;

    // 0; -30 the source cannot be opened; -4 the destination cannot be created; -2 a box
    // size that does not fit its container or the file; -7 no "moov" or no video track;
    // -6 a "moov" above kMaxMoovPayload or out of memory; -12 a short read or write failure.
    static int addMetaDataToVideo(const QString& srcPath, const QString& dstPath);

    // Big-endian 32-bit read and write.
    static int bytesToInt(const unsigned char* bytes);
    static void intToBytes(int value, unsigned char* bytes);

    // Non-zero when a "trak" payload of `length` bytes holds an "mdia" with a "vide" handler.
    static int findVide(const unsigned char* payload, int length);

    // The uuid box, 439 bytes.
    static const std::string& uuidBox();

  private:
    struct Box {
        long long size = 0;  // whole box, header included
        int header = 8;      // 8, or 16 with a 64-bit size
        char type[5] = {};
    };

    SpatialMetaData(const QString& srcPath, const QString& dstPath);

    int _addMetaDataToVideo();
    int readTopBox(Box* box);
    int copyBox(const Box& box);
    int copyMoov(const Box& box);
    int rwMoovBox(const unsigned char* payload, long long length);
    int copyBytes(long long count);
    int copyRest();
    int write(const void* data, long long size);
    int writeHeader(const Box& box, long long grownSize);

    // Parses the child header at `pos` of a payload; false when it does not fit.
    static bool childBox(const unsigned char* payload, long long length, long long pos, Box* box);

    OsalInputFile src;
    OsalOutputFile dst;
    std::vector<unsigned char> buffer;
    int uuidBoxSize;
    long long fileSize = 0;
};

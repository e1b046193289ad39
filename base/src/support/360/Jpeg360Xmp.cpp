#include "Jpeg360Xmp.h"

#include <cstring>
#include <string>
#include <vector>

#include "OsalInputFile.h"
#include "OsalOutputFile.h"
#include "ResultCode.h"

// Insertion: 1. copy the start-of-image marker, 2. copy each leading APPn segment except an XMP
// one, 3. write the new XMP segment before the first other segment, 4. copy the rest.
namespace {

const char kXmpId[] = "http://ns.adobe.com/xap/1.0/";  // 28 characters and the NUL
constexpr size_t kXmpIdSize = sizeof(kXmpId);          // 29
constexpr unsigned long kPiece = 4096;

const char kPacketHead[] =
    "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"UQO360\">"
    "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
    "<rdf:Description rdf:about=\"\" xmlns:GPano=\"http://ns.google.com/photos/1.0/panorama/\">";
const char kPacketTail[] = "</rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end=\"w\"?>";
const char k360Properties[] = "<GPano:ProjectionType>equirectangular</GPano:ProjectionType>";
const char k180Properties[] =
    "<GPano:UsePanoramaViewer>True</GPano:UsePanoramaViewer>"
    "<GPano:ProjectionType>equirectangular</GPano:ProjectionType>"
    "<GPano:CroppedAreaLeftPixels>100</GPano:CroppedAreaLeftPixels>"
    "<GPano:CroppedAreaTopPixels>0</GPano:CroppedAreaTopPixels>"
    "<GPano:CroppedAreaImageWidthPixels>1000</GPano:CroppedAreaImageWidthPixels>"
    "<GPano:CroppedAreaImageHeightPixels>1200</GPano:CroppedAreaImageHeightPixels>"
    "<GPano:FullPanoWidthPixels>4096</GPano:FullPanoWidthPixels>"
    "<GPano:FullPanoHeightPixels>2048</GPano:FullPanoHeightPixels>";

// The whole APP1 segment (marker, big-endian length, identifier, packet).
std::string xmpSegment(const char* properties) {
    std::string payload(kXmpId, kXmpIdSize);
    payload += kPacketHead;
    payload += properties;
    payload += kPacketTail;
    const size_t length = payload.size() + 2;
    std::string segment = {'\xFF', '\xE1', static_cast<char>(length >> 8),
                           static_cast<char>(length & 0xFF)};
    return segment + payload;
}

bool isAppMarker(const unsigned char head[4]) {
    return head[0] == 0xFF && head[1] >= 0xE0 && head[1] <= 0xEF;
}

int segmentLength(const unsigned char head[4]) { return head[2] << 8 | head[3]; }

bool startsWithXmpId(const unsigned char* body, unsigned long size) {
    return size >= kXmpIdSize && std::memcmp(body, kXmpId, kXmpIdSize) == 0;
}

bool put(OsalOutputFile& out, const void* data, unsigned long size) {
    return out.write(data, size) == static_cast<long long>(size);
}

// Copies one APPn body of `size` bytes (dropping an XMP APP1 segment). 0, or -8 short read.
int copySegment(OsalInputFile& in, OsalOutputFile& out, const unsigned char head[4], int size) {
    unsigned char piece[kPiece];
    bool first = true, keep = true;
    while (size > 0) {
        const unsigned long want = size < static_cast<int>(kPiece) ? size : kPiece;
        if (in.read(piece, want) != want) return ResultCode::kTruncated;
        if (first) {
            keep = !(head[1] == 0xE1 && startsWithXmpId(piece, want));
            if (keep && !put(out, head, 4)) return ResultCode::kTruncated;
            first = false;
        }
        if (keep && !put(out, piece, want)) return ResultCode::kTruncated;
        size -= static_cast<int>(want);
    }
    // An empty body is copied as it is.
    return first && !put(out, head, 4) ? ResultCode::kTruncated : 0;
}

// Steps 2 and 3: 0 after writing the new segment, -8 on a truncated or bad segment.
int copyAppSegments(OsalInputFile& in, OsalOutputFile& out, const std::string& segment) {
    unsigned char head[4];
    while (true) {
        const unsigned long n = in.read(head, 4);
        if (n != 4) {
            if (n != static_cast<unsigned long>(-1) && n > 0) put(out, head, n);
            return ResultCode::kTruncated;
        }
        if (!isAppMarker(head)) {
            const bool ok = put(out, segment.data(), segment.size()) && put(out, head, 4);
            return ok ? 0 : ResultCode::kTruncated;
        }
        if (segmentLength(head) < 2) {
            put(out, head, 4);
            return ResultCode::kTruncated;
        }
        const int result = copySegment(in, out, head, segmentLength(head) - 2);
        if (result != 0) return result;
    }
}

void copyRest(OsalInputFile& in, OsalOutputFile& out) {
    unsigned char piece[kPiece];
    unsigned long n;
    do {
        n = in.read(piece, kPiece);
        if (n == static_cast<unsigned long>(-1)) return;
        if (n > 0) put(out, piece, n);
    } while (n == kPiece);
}

int appendXmp(const char* src, const char* dst, const char* properties) {
    OsalInputFile in(src ? src : "");
    if (src == nullptr || in.open() != 0) return ResultCode::kCannotOpen;
    OsalOutputFile out(dst ? dst : "", false);
    if (dst == nullptr || out.open() != 0) return ResultCode::kBadArgument;
    unsigned char soi[2];
    const unsigned long n = in.read(soi, 2);
    if (n != static_cast<unsigned long>(-1) && n > 0) put(out, soi, n);
    if (n != 2) return ResultCode::kTruncated;
    const int result = copyAppSegments(in, out, xmpSegment(properties));
    if (result == 0 || result == ResultCode::kTruncated) copyRest(in, out);
    return result;
}

}  // namespace

int simpleAppend360Metadata2JpgFile(const char* src, const char* dst) {
    return appendXmp(src, dst, k360Properties);
}

int simpleAppend180Metadata2JpgFile(const char* src, const char* dst, int width, int height) {
    (void)width;
    (void)height;
    return appendXmp(src, dst, k180Properties);
}

bool simpleIs360Jpg(const char* path) {
    OsalInputFile in(path ? path : "");
    unsigned char head[4];
    if (path == nullptr || in.open() != 0 || in.seek(2, 0) != 0) return false;
    while (in.read(head, 4) == 4 && isAppMarker(head) && segmentLength(head) >= 2) {
        const unsigned long size = static_cast<unsigned long>(segmentLength(head) - 2);
        if (head[1] != 0xE1) {
            if (in.seek(size, 1) != 0) return false;
            continue;
        }
        std::vector<unsigned char> body(size + 1, 0);
        if (in.read(body.data(), size) != size) return false;
        if (!startsWithXmpId(body.data(), size)) continue;
        const char* text = reinterpret_cast<const char*>(body.data()) + kXmpIdSize;
        return std::strstr(text, "equirectangular") != nullptr;
    }
    return false;
}

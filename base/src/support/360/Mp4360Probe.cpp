#include "Mp4360Probe.h"

#include <cstring>
#include <functional>
#include <string>

#include "OsalInputFile.h"

// Walk: top-level boxes -> "moov" -> each "trak" -> its "uuid" children. Each level stays
// inside its parent's bounds.
namespace {

const unsigned char kSphericalId[16] = {0xff, 0xcc, 0x82, 0x63, 0xf8, 0x55, 0x4a, 0x93,
                                        0x88, 0x14, 0x58, 0x7a, 0x02, 0x52, 0x1f, 0xdd};

struct Box {
    long long start = 0;  // file position of the box
    long long size = 0;   // whole box
    long long body = 0;   // file position after the size and type fields
    char type[5] = {0, 0, 0, 0, 0};
};

unsigned long long bigEndian(const unsigned char* b, int n) {
    unsigned long long v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | b[i];
    return v;
}

// The box at `at`; false when its head cannot be read, its size is below its head or it
// reaches past `end`.
bool readBox(OsalInputFile& in, long long at, long long end, Box* box) {
    unsigned char head[16];
    if (end - at < 8 || in.seek(at, 0) != 0 || in.read(head, 8) != 8) return false;
    box->start = at;
    box->size = static_cast<long long>(bigEndian(head, 4));
    box->body = at + 8;
    std::memcpy(box->type, head + 4, 4);
    if (box->size == 1) {
        if (in.read(head + 8, 8) != 8) return false;
        const unsigned long long large = bigEndian(head + 8, 8);
        if (large > (1ULL << 62)) return false;
        box->size = static_cast<long long>(large);
        box->body = at + 16;
    }
    return box->size >= box->body - at && box->size <= end - at;
}

// Calls `visit` for each child box within [from, end) until it returns false. False when a head
// cannot be read (a truncated or malformed child).
bool walk(OsalInputFile& in, long long from, long long end,
          const std::function<bool(const Box&)>& visit) {
    for (long long at = from; at < end;) {
        Box box;
        if (!readBox(in, at, end, &box)) return false;
        if (!visit(box)) return true;
        at += box.size;
    }
    return true;
}

// The projection of a spherical box: 2 half, 1 full, 0 none or not spherical.
int sphericalKind(OsalInputFile& in, const Box& box) {
    unsigned char id[16];
    const long long textSize = box.start + box.size - box.body - 16;
    if (textSize < 0 || in.seek(box.body, 0) != 0 || in.read(id, 16) != 16 ||
        std::memcmp(id, kSphericalId, 16) != 0)
        return 0;
    std::string text(static_cast<size_t>(textSize < static_cast<long long>(kSphericalTextCap)
                                             ? textSize
                                             : kSphericalTextCap),
                     '\0');
    const unsigned long n = text.empty() ? 0 : in.read(&text[0], text.size());
    if (n == static_cast<unsigned long>(-1)) return 0;
    text.resize(n);
    const char* s = text.c_str();  // NUL-terminated at the first NUL of the box
    if (std::strstr(s, "half_equirectangular")) return 2;
    return std::strstr(s, "equirectangular") ? 1 : 0;
}

// The first spherical kind among the uuid children of a track; -2 when a child head cannot be
// read before one is found.
int trackKind(OsalInputFile& in, const Box& trak) {
    int kind = 0;
    const bool complete = walk(in, trak.body, trak.start + trak.size, [&](const Box& child) {
        if (std::strcmp(child.type, "uuid") == 0) kind = sphericalKind(in, child);
        return kind == 0;
    });
    return kind == 0 && !complete ? -2 : kind;
}

bool isType(const Box& box, const char* type) { return std::strcmp(box.type, type) == 0; }

// Calls `onTrack` for every "trak" of the first "moov" until it returns false. False when the
// file has no readable "moov".
bool forEachTrack(const char* path,
                  const std::function<bool(OsalInputFile&, const Box&)>& onTrack) {
    OsalInputFile in(path ? path : "");
    if (path == nullptr || in.open() != 0 || in.seek(0, 2) != 0) return false;
    const long long size = in.tell();
    bool found = false;
    walk(in, 0, size, [&](const Box& box) {
        if (!isType(box, "moov")) return true;
        found = true;
        walk(in, box.body, box.start + box.size,
             [&](const Box& child) { return !isType(child, "trak") || onTrack(in, child); });
        return false;
    });
    return found;
}

}  // namespace

int simpleIs360Mp4(const char* path) {
    int result = 0;
    forEachTrack(path, [&](OsalInputFile& in, const Box& trak) {
        if (trackKind(in, trak) > 0) result = 1;
        return result == 0;
    });
    return result;
}

int simpleIs360Or180Mp4(const char* path) {
    int result = -1;
    forEachTrack(path, [&](OsalInputFile& in, const Box& trak) {
        const int kind = trackKind(in, trak);
        result = kind < 0 ? 0 : kind;
        return false;
    });
    return result;
}

#include "MovieFixtures.h"

#include <QFile>
#include <QtEndian>

#include <unistd.h>

#include <vector>

namespace {

// A file offset that file systems with a size limit below it (ext4: 16 TiB) refuse to seek to.
const qint64 kUnreachable = 0x7000000000000000;

// Whether the file system holding `file` refuses to seek to kUnreachable.
bool refusesUnreachable(QFile& file) {
    const off_t sought = lseek(file.handle(), kUnreachable, SEEK_SET);
    lseek(file.handle(), 0, SEEK_SET);
    return sought < 0;
}

quint32 u32(const QByteArray& bytes, int at) {
    return qFromBigEndian<quint32>(reinterpret_cast<const uchar*>(bytes.constData()) + at);
}

void putU32(QByteArray* bytes, int at, quint32 value) {
    qToBigEndian<quint32>(value, reinterpret_cast<uchar*>(bytes->data()) + at);
}

// The offset of the first child box of `type` in [begin, end), or -1.
int findChild(const QByteArray& bytes, int begin, int end, const char* type) {
    for (int at = begin; at + 8 <= end;) {
        const int size = static_cast<int>(u32(bytes, at));
        if (size < 8) return -1;
        if (bytes.mid(at + 4, 4) == type) return at;
        at += size;
    }
    return -1;
}

}  // namespace

bool breakMiddleChunk(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !refusesUnreachable(file)) return false;
    QByteArray bytes = file.readAll();
    // The boxes from "moov" down to "stco"; each one's size grows with the wider entries.
    std::vector<int> parents;
    int at = findChild(bytes, 0, bytes.size(), "moov");
    for (const char* type : {"trak", "mdia", "minf", "stbl", "stco"}) {
        if (at < 0) return false;
        parents.push_back(at);
        at = findChild(bytes, at + 8, at + static_cast<int>(u32(bytes, at)), type);
    }
    // Only a last "moov" may grow without moving the media data.
    if (at < 0 || parents[0] + static_cast<int>(u32(bytes, parents[0])) != bytes.size())
        return false;
    const int count = static_cast<int>(u32(bytes, at + 12));
    if (count < 3) return false;
    QByteArray co64(16 + 8 * count, '\0');
    putU32(&co64, 0, static_cast<quint32>(co64.size()));
    co64.replace(4, 4, "co64");
    putU32(&co64, 12, static_cast<quint32>(count));
    for (int i = 0; i < count; ++i) {
        const quint64 offset = i == count / 2 ? kUnreachable : u32(bytes, at + 16 + 4 * i);
        qToBigEndian<quint64>(offset, reinterpret_cast<uchar*>(co64.data()) + 16 + 8 * i);
    }
    const int growth = 4 * count;
    for (int parent : parents) putU32(&bytes, parent, u32(bytes, parent) + growth);
    bytes.replace(at, static_cast<int>(u32(bytes, at)), co64);
    file.resize(0);
    file.seek(0);
    return file.write(bytes) == bytes.size();
}

namespace {

bool cutToThreeTenths(const QString& path) {
    QFile file(path);
    return file.resize(file.size() * 3 / 10);
}

bool overwriteWithZeros(const QString& path) {
    QFile file(path);
    const QByteArray zeros(int(file.size()), '\0');
    return file.open(QIODevice::ReadWrite) && file.write(zeros) == zeros.size() && file.flush();
}

}  // namespace

const std::vector<PlayingFileDamage>& playingFileDamages() {
    static const std::vector<PlayingFileDamage> damages = {{"cutShort", cutToThreeTenths},
                                                           {"zeroed", overwriteWithZeros}};
    return damages;
}

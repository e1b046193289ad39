#include "PictureFixtures.h"

namespace {

QByteArray bigEndian16(int value) {
    QByteArray bytes(2, '\0');
    bytes[0] = char((value >> 8) & 0xff);
    bytes[1] = char(value & 0xff);
    return bytes;
}

}  // namespace

QByteArray jpegHeadersDeclaring(int width, int height) {
    return QByteArray::fromHex(
               "FFD8"         // start of image
               "FFC0001108")  // baseline frame, 8 bits
           + bigEndian16(height) + bigEndian16(width) +
           QByteArray::fromHex(
               "03012200021101031101"          // its three components
               "FFDA000C03010002110311003F00"  // start of scan
               "FFD9");
}

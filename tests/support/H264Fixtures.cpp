#include "H264Fixtures.h"

#include <cstdint>
#include <vector>

namespace {

// Bits of an H.264 network abstraction layer unit, written as the standard codes them.
class NalWriter {
  public:
    void bits(int count, uint32_t value) {
        for (int i = count - 1; i >= 0; --i) written.push_back((value >> i) & 1);
    }
    // Unsigned exp-Golomb code.
    void ue(uint32_t value) {
        const uint32_t code = value + 1;
        int length = 0;
        while ((code >> length) > 1) ++length;
        bits(length, 0);
        bits(length + 1, code);
    }
    // The unit with its start code, header byte, stop bit and emulation prevention.
    QByteArray unit(uint8_t header) const {
        std::vector<int> all = written;
        all.push_back(1);
        while (all.size() % 8) all.push_back(0);
        QByteArray out("\0\0\0\1", 4);
        out.append(char(header));
        int zeros = 0;
        for (size_t i = 0; i < all.size(); i += 8) {
            uint8_t byte = 0;
            for (size_t b = 0; b < 8; ++b) byte = uint8_t(byte << 1 | all[i + b]);
            if (zeros >= 2 && byte <= 3) {
                out.append('\3');
                zeros = 0;
            }
            out.append(char(byte));
            zeros = byte == 0 ? zeros + 1 : 0;
        }
        return out;
    }

  private:
    std::vector<int> written;
};

}  // namespace

QByteArray h264PictureOfMacroblocks(uint32_t mbs) {
    NalWriter sequence;
    sequence.bits(8, 66);    // baseline profile
    sequence.bits(8, 0xC0);  // constraint flags
    sequence.bits(8, 51);    // level 5.1
    sequence.ue(0);          // sequence id
    sequence.ue(0);          // frame numbers of 4 bits
    sequence.ue(2);          // picture order from the frame number
    sequence.ue(1);          // one reference frame
    sequence.bits(1, 0);
    sequence.ue(mbs - 1);   // width
    sequence.ue(mbs - 1);   // height
    sequence.bits(4, 0xC);  // frames only, direct 8x8 inference, no cropping, no VUI
    NalWriter pictures;
    pictures.ue(0);  // picture set id
    pictures.ue(0);  // sequence id
    pictures.bits(2, 0);
    pictures.ue(0);
    pictures.ue(0);
    pictures.ue(0);
    pictures.bits(3, 0);
    pictures.ue(0);  // quantiser and chroma offsets 0 (signed codes of 0)
    pictures.ue(0);
    pictures.ue(0);
    pictures.bits(3, 4);  // deblocking control present
    NalWriter slice;
    slice.ue(0);  // first macroblock
    slice.ue(7);  // intra slice
    slice.ue(0);  // picture set id
    slice.bits(4, 0);
    slice.ue(0);  // first picture of its sequence
    slice.bits(2, 0);
    slice.ue(0);  // quantiser delta
    slice.ue(1);  // no deblocking
    for (int i = 0; i < 64; ++i) slice.bits(8, 0x5A);
    return sequence.unit(0x67) + pictures.unit(0x68) + slice.unit(0x65);
}

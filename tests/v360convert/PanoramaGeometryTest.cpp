#include <gtest/gtest.h>

#include <QFile>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ConvertTestMedia.h"
#include "TestEnv.h"
#include "V360PanoramaVideoSectionBuilder.h"

namespace {

const int kSide = 256;
// BGRA words of the four sectors around the centre: below, left, above, right.
const uint32_t kBelow = 0xFFFF0000, kLeft = 0xFF00FF00, kAbove = 0xFF0000FF, kRight = 0xFFFFFFFF;

uint32_t sector(int x, int y) {
    const int dx = x - kSide / 2, dy = y - kSide / 2;
    if (std::abs(dy) >= std::abs(dx)) return dy >= 0 ? kBelow : kAbove;
    return dx < 0 ? kLeft : kRight;
}

// A one-frame clip of the four sectors, nearly lossless.
QString fourSectorClip() {
    const QString folder = QString::fromStdString(TestEnv::makeDir("geometry"));
    std::vector<uint32_t> pixels(kSide * kSide);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) pixels[y * kSide + x] = sector(x, y);
    QFile raw(folder + "/frame.bgra");
    raw.open(QIODevice::WriteOnly);
    raw.write(reinterpret_cast<const char*>(pixels.data()), pixels.size() * 4);
    raw.close();
    const QString clip = folder + "/sectors.mp4";
    ConvertTestMedia::run("ffmpeg", {"-v",       "error", "-y",           "-f",      "rawvideo",
                                     "-pix_fmt", "bgra",  "-s",           "256x256", "-r",
                                     "27",       "-i",    raw.fileName(), "-c:v",    "libx264",
                                     "-qp",      "0",     "-pix_fmt",     "yuv444p", clip});
    return clip;
}

bool near(uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)) > 24) return false;
    return true;
}

}  // namespace

TEST(PanoramaGeometry, FourSectorSourceAt3840x1920) {
    const int W = 3840, H = 1920;
    V360PanoramaVideoSectionBuilder builder(W, H, fourSectorClip(), -1, -1, -1, -1, -1);
    ASSERT_EQ(0, builder.prepare());
    void* src = builder.prepareSrcFrame(0);
    ASSERT_NE(nullptr, src);
    std::vector<uint32_t> out(static_cast<size_t>(W) * H, 0xDEADBEEF);
    ASSERT_EQ(0, builder.dewarp(0, src, out.data()));
    const auto* in = static_cast<const uint32_t*>(src);
    // Latitude above +15 degrees: rows 0 .. H x 75 / 180 are blank.
    for (int d : {0, H / 4, H * 75 / 180 - 1})
        for (int i : {0, W / 3, W - 1}) EXPECT_EQ(0u, out[size_t(d) * W + i]) << d << "," << i;
    // The last row takes the centre pixel.
    const uint32_t centre = in[(kSide / 2) * kSide + kSide / 2];
    for (int i : {0, W / 5, W / 2, W - 1}) EXPECT_EQ(centre, out[size_t(H - 1) * W + i]);
    // A row between the horizon and the lens axis: below, left, above, right.
    const int row = H * 3 / 4;
    const struct {
        int column;
        uint32_t colour;
    } columns[] = {{0, kBelow}, {W / 4, kLeft}, {W / 2, kAbove}, {3 * W / 4, kRight}};
    for (const auto& c : columns)
        EXPECT_TRUE(near(c.colour, out[size_t(row) * W + c.column]))
            << c.column << " " << std::hex << out[size_t(row) * W + c.column];
    const std::vector<int32_t>& table = builder.lookupTable();
    ASSERT_EQ(size_t(W) * H, table.size());
    for (int32_t index : table) ASSERT_LT(index, kSide * kSide);
    builder.releaseSrcFrame(src);
    builder.releaseAllDecodeDewarpResource();
}

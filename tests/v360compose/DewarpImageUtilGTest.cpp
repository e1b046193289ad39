// Plane <-> frame maps and the piece projection of a flat picture into a frame.
#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "DewarpImageUtil.h"

namespace {

constexpr int kW = 400, kH = 200;

struct CentreCase {
    float pitch, yaw, ex, ey;
};

TEST(DewarpImageUtil, PlaneCentreLandsAtTheViewDirection) {
    const CentreCase cases[] = {
        {0, 0, kW / 2.0f, kH / 2.0f},    {0, 90, kW * 0.75f, kH / 2.0f},
        {0, -90, kW * 0.25f, kH / 2.0f}, {30, 0, kW / 2.0f, kH / 3.0f},
        {-45, 0, kW / 2.0f, kH * 0.75f},
    };
    for (const CentreCase& c : cases) {
        float ex, ey;
        DewarpImageUtil::translateToDewarpCoord(kW / 2.0f, kH / 2.0f, c.pitch, c.yaw, kW, kH, ex,
                                                ey);
        EXPECT_NEAR(ex, c.ex, 1e-3) << c.pitch << " " << c.yaw;
        EXPECT_NEAR(ey, c.ey, 1e-3) << c.pitch << " " << c.yaw;
    }
}

TEST(DewarpImageUtil, ReverseUndoesForwardOverThePlane) {
    const float angles[][2] = {{0, 0}, {20, 35}, {-60, 170}, {80, -120}};
    for (const auto& a : angles) {
        for (float y = 0; y <= kH; y += 12.5f) {
            for (float x = 0; x <= kW; x += 12.5f) {
                float ex, ey, px, py;
                DewarpImageUtil::translateToDewarpCoord(x, y, a[0], a[1], kW, kH, ex, ey);
                DewarpImageUtil::reverseFromDewarpCoord(ex, ey, a[0], a[1], kW, kH, px, py);
                ASSERT_NEAR(px, x, 0.5) << a[0] << " " << a[1] << " at " << x << "," << y;
                ASSERT_NEAR(py, y, 0.5) << a[0] << " " << a[1] << " at " << x << "," << y;
            }
        }
    }
}

TEST(DewarpImageUtil, ProjectionPoleMapsToOrigin) {
    // The direction opposite the view centre (frame column 0 at the equator for pitch 0, yaw 0).
    for (float x : {0.0f, float(kW)}) {
        float px = -1, py = -1;
        DewarpImageUtil::reverseFromDewarpCoord(x, kH / 2.0f, 0, 0, kW, kH, px, py);
        EXPECT_EQ(px, 0.0f);
        EXPECT_EQ(py, 0.0f);
    }
}

// A 40 x 20 picture in four coloured quadrants.
std::vector<uint32_t> quadrants(int w, int h) {
    std::vector<uint32_t> p(size_t(w) * h);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            p[size_t(j) * w + i] = 0xFF000000u | (i < w / 2 ? 0x0000FFu : 0x00FF00u) |
                                   (j < h / 2 ? 0x000000u : 0xFF0000u);
    return p;
}

const char* bytes(const std::vector<uint32_t>& p) {
    return reinterpret_cast<const char*>(p.data());
}

uint32_t pieceAt(const DIU_DewarpedImage& piece, int x, int y) {
    return reinterpret_cast<const uint32_t*>(piece.data)[size_t(y) * piece.width + x];
}

TEST(DewarpImageUtil, FacingPictureIsOneCentredPieceTheRightWayRound) {
    const auto src = quadrants(40, 20);
    List<DIU_DewarpedImage*> pieces;
    ASSERT_EQ(DewarpImageUtil::dewarp(bytes(src), 40, 20, kW, kH, 0, 0, pieces), 0);
    ASSERT_EQ(pieces.size(), 1u);
    const DIU_DewarpedImage& p = *pieces[0];
    EXPECT_NEAR(p.x + p.width / 2.0, kW / 2.0, 1.0);
    EXPECT_NEAR(p.y + p.height / 2.0, kH / 2.0, 1.0);
    // Near the plane centre one plane pixel spans 4/W radians: 0.64 frame pixels.
    EXPECT_NEAR(p.width, 40 * 0.64, 2);
    EXPECT_NEAR(p.height, 20 * 0.64, 2);
    const int qx = p.width / 4, qy = p.height / 4;
    EXPECT_EQ(pieceAt(p, qx, qy), src[0]);
    EXPECT_EQ(pieceAt(p, p.width - 1 - qx, qy), src[39]);
    EXPECT_EQ(pieceAt(p, qx, p.height - 1 - qy), src[19 * 40]);
    EXPECT_EQ(pieceAt(p, p.width - 1 - qx, p.height - 1 - qy), src[19 * 40 + 39]);
    pieces.deleteAllObjsAndReset();
}

TEST(DewarpImageUtil, PictureOnTheSeamIsCutInTwo) {
    const auto src = quadrants(40, 20);
    for (float yaw : {180.0f, -180.0f}) {
        List<DIU_DewarpedImage*> pieces;
        ASSERT_EQ(DewarpImageUtil::dewarp(bytes(src), 40, 20, kW, kH, 0, yaw, pieces), 0);
        ASSERT_EQ(pieces.size(), 2u) << yaw;
        const DIU_DewarpedImage& left = *pieces[0];
        const DIU_DewarpedImage& right = *pieces[1];
        EXPECT_EQ(left.x, 0);
        EXPECT_NEAR(right.x + right.width, kW, 1);
        EXPECT_EQ(left.height, right.height);
        EXPECT_EQ(left.y, right.y);
        EXPECT_NEAR(left.width + right.width, 40 * 0.64, 2);
        // The picture's left half lies at the frame's right edge.
        EXPECT_EQ(pieceAt(right, 2, left.height / 4), src[0]);
        EXPECT_EQ(pieceAt(left, left.width - 3, left.height / 4), src[39]);

        DIU_DewarpedImage* joined = nullptr;
        ASSERT_EQ(DewarpImageUtil::dewarp(bytes(src), 40, 20, kW, kH, 0, yaw, &joined), 0);
        ASSERT_NE(joined, nullptr);
        EXPECT_EQ(joined->width, left.width + right.width);
        EXPECT_EQ(joined->height, left.height);
        EXPECT_EQ(joined->x, right.x);
        EXPECT_EQ(joined->y, right.y);
        for (int y = 0; y < joined->height; ++y) {
            for (int x = 0; x < joined->width; ++x) {
                const uint32_t expected =
                    x < right.width ? pieceAt(right, x, y) : pieceAt(left, x - right.width, y);
                ASSERT_EQ(pieceAt(*joined, x, y), expected) << x << "," << y;
            }
        }
        delete joined;
        pieces.deleteAllObjsAndReset();
    }
}

TEST(DewarpImageUtil, SinglePieceFormHandsBackTheOnePiece) {
    const auto src = quadrants(40, 20);
    List<DIU_DewarpedImage*> pieces;
    DewarpImageUtil::dewarp(bytes(src), 40, 20, kW, kH, 10, 30, pieces);
    DIU_DewarpedImage* one = nullptr;
    ASSERT_EQ(DewarpImageUtil::dewarp(bytes(src), 40, 20, kW, kH, 10, 30, &one), 0);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(one->x, pieces[0]->x);
    EXPECT_EQ(one->width, pieces[0]->width);
    delete one;
    pieces.deleteAllObjsAndReset();
}

TEST(DewarpImageUtil, BadArgumentsAppendNothing) {
    const auto src = quadrants(4, 4);
    struct Case {
        const char* src;
        int srcW, srcH, W, H;
    } cases[] = {{nullptr, 4, 4, kW, kH},
                 {bytes(src), 0, 4, kW, kH},
                 {bytes(src), 4, -1, kW, kH},
                 {bytes(src), 4, 4, 0, kH},
                 {bytes(src), 4, 4, kW, 0}};
    for (const Case& c : cases) {
        List<DIU_DewarpedImage*> pieces;
        EXPECT_EQ(DewarpImageUtil::dewarp(c.src, c.srcW, c.srcH, c.W, c.H, 0, 0, pieces), -4);
        EXPECT_TRUE(pieces.empty());
        DIU_DewarpedImage* one = reinterpret_cast<DIU_DewarpedImage*>(1);
        EXPECT_EQ(DewarpImageUtil::dewarp(c.src, c.srcW, c.srcH, c.W, c.H, 0, 0, &one), -4);
        EXPECT_EQ(one, nullptr);
    }
}

struct MatrixCase {
    double in[3][3];
    float out[3][3];
};

TEST(DewarpImageUtil, InverseMatrix) {
    const double c = std::cos(0.5), s = std::sin(0.5);
    const MatrixCase cases[] = {
        {{{c, -s, 0}, {s, c, 0}, {0, 0, 1}},
         {{float(c), float(s), 0}, {float(-s), float(c), 0}, {0, 0, 1}}},
        {{{2, 0, 0}, {0, 4, 0}, {0, 0, -5}}, {{0.5f, 0, 0}, {0, 0.25f, 0}, {0, 0, -0.2f}}},
        {{{1, 2, 3}, {2, 4, 6}, {0, 1, 1}}, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},  // singular
    };
    for (const MatrixCase& m : cases) {
        double in[3][3];
        std::copy(&m.in[0][0], &m.in[0][0] + 9, &in[0][0]);
        float out[3][3];
        inverse_matrix(in, out);
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(out[r][k], m.out[r][k], 1e-6) << r << "," << k;
    }
}

}  // namespace

namespace {

// A 360 x 180 window (90 x 45 degrees at longitude 90, 45 degrees from the top) whose pixels
// hold their own position.
constexpr int kWinW = 360, kWinH = 180;

std::vector<uint32_t> windowPositions() {
    std::vector<uint32_t> p(size_t(kWinW) * kWinH);
    for (int j = 0; j < kWinH; ++j)
        for (int i = 0; i < kWinW; ++i)
            p[size_t(j) * kWinW + i] = 0x80000000u | uint32_t(j) << 12 | uint32_t(i);
    return p;
}

int colOf(uint32_t p) { return int(p & 0xFFF); }
int rowOf(uint32_t p) { return int((p >> 12) & 0xFFF); }

// Output centre reads the window centre; left of it reads further left, above it higher up.
// The sized view spans the window's plane box, which is not centred on the window's centre
// row: it gets a wider row tolerance.
void expectCentredView(const uint32_t* out, int w, int h, const char* form, int rowTolerance = 3) {
    const uint32_t centre = out[size_t(h / 2) * w + w / 2];
    ASSERT_NE(centre, 0u) << form;
    EXPECT_NEAR(colOf(centre), kWinW / 2, 3) << form;
    EXPECT_NEAR(rowOf(centre), kWinH / 2, rowTolerance) << form;
    const uint32_t left = out[size_t(h / 2) * w + w / 4];
    const uint32_t up = out[size_t(h / 4) * w + w / 2];
    EXPECT_LT(colOf(left), colOf(centre) - 20) << form;
    EXPECT_LT(rowOf(up), rowOf(centre) - 10) << form;
}

TEST(DewarpImageUtilFlatView, WindowViewsAreCentredAndUpright) {
    const auto src = windowPositions();
    const char* s = reinterpret_cast<const char*>(src.data());
    char* sized = nullptr;
    int outW = 0, outH = 0;
    ASSERT_EQ(
        DewarpImageUtil::dewarpProjection(s, kWinW, kWinH, 90, 45, 45, 90, &sized, outW, outH), 0);
    EXPECT_GT(outW, kWinW / 2);
    EXPECT_GT(outH, kWinH / 2);
    expectCentredView(reinterpret_cast<uint32_t*>(sized), outW, outH, "sized", 20);
    delete[] sized;

    char* slow = nullptr;
    ASSERT_EQ(DewarpImageUtil::dewarpProjectionSlow(s, kWinW, kWinH, 90, 45, 45, 90, &slow), 0);
    expectCentredView(reinterpret_cast<uint32_t*>(slow), kWinW, kWinH, "slow");
    delete[] slow;

    std::vector<uint32_t> mirrored(src.size()), averaged(src.size());
    ASSERT_EQ(DewarpImageUtil::dewarpProjection(s, kWinW, kWinH, 90, 45, 45, 90,
                                                reinterpret_cast<char*>(mirrored.data())),
              0);
    expectCentredView(mirrored.data(), kWinW, kWinH, "mirrored");
    ASSERT_EQ(DewarpImageUtil::dewarpProjectionBilinear(s, kWinW, kWinH, 90, 45, 45, 90,
                                                        reinterpret_cast<char*>(averaged.data())),
              0);
    expectCentredView(averaged.data(), kWinW, kWinH, "averaged");
    // Mapping every second pixel moves no sample by more than a pixel or two.
    int far = 0;
    for (size_t k = 0; k < src.size(); ++k)
        far += std::abs(colOf(mirrored[k]) - colOf(averaged[k])) > 2;
    EXPECT_LT(far, int(src.size() / 100));
}

TEST(DewarpImageUtilFlatView, BadSpansWriteNothing) {
    const auto src = windowPositions();
    const char* s = reinterpret_cast<const char*>(src.data());
    std::vector<uint32_t> out(src.size(), 7);
    for (float span : {0.0f, -10.0f}) {
        EXPECT_EQ(DewarpImageUtil::dewarpProjection(s, kWinW, kWinH, 0, 0, span, 90,
                                                    reinterpret_cast<char*>(out.data())),
                  -4);
        EXPECT_EQ(DewarpImageUtil::dewarpProjectionBilinear(s, kWinW, kWinH, 0, 0, 45, span,
                                                            reinterpret_cast<char*>(out.data())),
                  -4);
        char* sized = reinterpret_cast<char*>(1);
        int w = 1, h = 1;
        EXPECT_EQ(
            DewarpImageUtil::dewarpProjection(s, kWinW, kWinH, 0, 0, span, span, &sized, w, h), -4);
        EXPECT_EQ(sized, nullptr);
    }
    for (uint32_t p : out) ASSERT_EQ(p, 7u);
}

}  // namespace

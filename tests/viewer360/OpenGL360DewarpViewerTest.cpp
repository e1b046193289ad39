// The dewarp viewer's shader contract: the lens centre ahead, the patch behind, the cross-fade,
// exclusive titles, the gamma filter; its copies; and the text layer rebuilt only on change.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <memory>
#include <vector>

#include "BaseStyledText.h"
#include "FisheyeFixtures.h"
#include "OpenGL360DewarpViewer.h"
#include "Text360Info.h"
#include "ViewerWindow.h"

using namespace FisheyeFixtures;

namespace {

const QRgb kRed = 0xFFC80000u;
const QRgb kBlue = 0xFF0000C8u;
const QRgb kGreen = 0xFF00B400u;
const QRgb kMagenta = 0xFFB400B4u;
const QRgb kGrey = 0xFF808080u;

// Rows of lens rotations: the lens axis along the view's centre direction, or against it.
const double kAxisAhead[3][3] = {{0, -1, 0}, {0, 0, 1}, {-1, 0, 0}};
const double kAxisBehind[3][3] = {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}};

using Window = ViewerWindow<OpenGL360DewarpViewer>;

void showFisheye(Window& w, const std::vector<uint32_t>& pixels, const double (*rotation)[3],
                 bool filter = false, double r = -1, double g = -1, double b = -1) {
    w.view->setRawData(pixels.data(), kSize, kSize, kCenter, kCenter, kRadius, rotation, filter, r,
                       g, b);
}

TEST(OpenGL360DewarpViewer, EquirectangularCentreAtZeroAnglesIsTheSourceCentre) {
    Window w(400, 400);
    ASSERT_TRUE(w.exposed);
    const auto pixels = codedPixels();
    w.view->setRawData(pixels.data(), kSize, kSize);
    const QRgb got = w.centre();
    ASSERT_TRUE(isCoded(got)) << std::hex << got;
    EXPECT_NEAR(codedX(got), kSize / 2, 1.0);
    EXPECT_NEAR(codedY(got), kSize / 2, 1.0);
}

TEST(OpenGL360DewarpViewer, DewarpedCentreIsTheLensCentreWhenTheAxisPointsAhead) {
    Window w(400, 400);
    showFisheye(w, codedPixels(), kAxisAhead);
    const QRgb got = w.centre();
    ASSERT_TRUE(isCoded(got)) << std::hex << got;
    EXPECT_NEAR(codedX(got), kCenter, 1.0);
    EXPECT_NEAR(codedY(got), kCenter, 1.0);
}

TEST(OpenGL360DewarpViewer, PatchFillsTheDirectionsBehindTheLens) {
    Window w(400, 400);
    showFisheye(w, uniformPixels(kRed), kAxisBehind);
    EXPECT_TRUE(near(w.centre(), 0xFF000000u));  // no patch picture yet
    QTemporaryDir dir;
    QImage patch(64, 64, QImage::Format_RGB32);
    patch.fill(QColor(kGreen));
    const QString path = QDir(dir.path()).filePath("patch.png");
    ASSERT_TRUE(patch.save(path));
    w.view->setPatchPattern(path);
    EXPECT_TRUE(near(w.centre(), kGreen)) << std::hex << w.centre();
    showFisheye(w, uniformPixels(kRed), kAxisAhead);
    EXPECT_TRUE(near(w.centre(), kRed));
}

struct FadeCase {
    float progress;
    QRgb colour;
};

class CrossFade : public testing::TestWithParam<FadeCase> {};

TEST_P(CrossFade, MixesSourceAIntoSourceB) {
    const FadeCase c = GetParam();
    Window w(300, 300);
    const auto a = uniformPixels(kRed);
    const auto b = uniformPixels(kBlue);
    w.view->setRawData(a.data(), kSize, kSize);
    w.view->setTransitionParams(true, false, false, c.progress, b.data(), kSize, kSize, nullptr);
    EXPECT_TRUE(near(w.centre(), c.colour)) << std::hex << w.centre();
    // A second source of size 0 changes the progress but keeps source B.
    w.view->setTransitionParams(true, false, false, 1.0f, nullptr, 0, 0, nullptr);
    EXPECT_TRUE(near(w.centre(), kBlue));
    w.view->setTransitionParams(false, false, false, 1.0f, nullptr, 0, 0, nullptr);
    EXPECT_TRUE(near(w.centre(), kRed));
}

INSTANTIATE_TEST_SUITE_P(Progress, CrossFade,
                         testing::Values(FadeCase{0.0f, kRed}, FadeCase{0.5f, 0xFF640064u},
                                         FadeCase{1.0f, kBlue}));

TEST(OpenGL360DewarpViewer, TitlesAreExclusive) {
    Window w(300, 300);
    const auto source = uniformPixels(kGrey);
    const auto start = uniformPixels(kMagenta);
    const auto end = uniformPixels(kGreen);
    w.view->setRawData(source.data(), kSize, kSize);
    w.view->setEndTitle(end.data(), kSize, kSize, true);
    EXPECT_TRUE(near(w.centre(), kGreen));
    w.view->setStartTitle(start.data(), kSize, kSize, true);
    EXPECT_TRUE(near(w.centre(), kMagenta));
    w.view->setEndTitle(end.data(), kSize, kSize, true);
    EXPECT_TRUE(near(w.centre(), kGreen));
    w.view->setEndTitle(nullptr, 0, 0, false);
    EXPECT_TRUE(near(w.centre(), kGrey));
}

TEST(OpenGL360DewarpViewer, StartTitleFadesIntoTheSource) {
    Window w(300, 300);
    const auto source = uniformPixels(kRed);
    const auto title = uniformPixels(kBlue);
    w.view->setRawData(source.data(), kSize, kSize);
    w.view->setStartTitle(title.data(), kSize, kSize, true);
    w.view->setStartTitle(nullptr, 0, 0, false);  // hidden, the picture kept
    EXPECT_TRUE(near(w.centre(), kRed));
    w.view->setTransitionParams(false, true, false, 0.25f, nullptr, 0, 0, nullptr);
    EXPECT_TRUE(near(w.centre(), 0xFF320096u)) << std::hex << w.centre();
}

// Gamma 2 darkens red 128 to 64, gamma 1 keeps green, a gamma below 0 leaves blue.
TEST(OpenGL360DewarpViewer, GammaFilterAppliesPerChannel) {
    Window w(300, 300);
    const auto grey = uniformPixels(kGrey);
    showFisheye(w, grey, kAxisAhead, false, 2, 1, -1);
    EXPECT_TRUE(near(w.centre(), kGrey));
    showFisheye(w, grey, kAxisAhead, true, 2, 1, -1);
    EXPECT_TRUE(near(w.centre(), 0xFF408080u)) << std::hex << w.centre();
    showFisheye(w, grey, kAxisAhead, true, 0.5, 0.5, 0.5);
    EXPECT_TRUE(near(w.centre(), 0xFFB5B5B5u)) << std::hex << w.centre();
}

// The copy is made anew after setImage dropped it, and the caller may free its buffer at once.
TEST(OpenGL360DewarpViewer, CallerMayFreeItsBufferRightAfterSetRawData) {
    Window w(300, 300);
    auto first = std::make_unique<std::vector<uint32_t>>(uniformPixels(kRed));
    w.view->setRawData(first->data(), kSize, kSize);
    first.reset();
    EXPECT_TRUE(near(w.centre(), kRed));
    QImage picture(kSize, kSize, QImage::Format_ARGB32);
    picture.fill(QColor(kGreen));
    w.view->setImage(picture);
    EXPECT_TRUE(near(w.centre(), kGreen));
    auto second = std::make_unique<std::vector<uint32_t>>(uniformPixels(kBlue));
    showFisheye(w, *second, kAxisAhead);
    std::fill(second->begin(), second->end(), 0xFFFFFFFFu);
    second.reset();
    EXPECT_TRUE(near(w.centre(), kBlue));
}

class TextLayer : public testing::Test {
  protected:
    void SetUp() override { BaseStyledText::registerFonts(); }

    // Makes the overlay visible (or not) at time 1 s, rendering its pieces.
    static void show(Text360Info& info, bool visible) {
        info.fillTextImageGL(3840, 2160, visible ? 1.0 : 10.0);
    }
    static int opaquePixels(const QImage& layer) {
        int count = 0;
        for (int y = 0; y < layer.height(); y += 4)
            for (int x = 0; x < layer.width(); x += 4) count += qAlpha(layer.pixel(x, y)) > 0;
        return count;
    }
};

TEST_F(TextLayer, IsRebuiltOnlyWhenTheListOrAVisibilityChanges) {
    Window w(300, 300);
    const auto source = uniformPixels(kGrey);
    w.view->setRawData(source.data(), kSize, kSize);
    Text360Info hello("Hello", 1, 0.0, 5.0);
    Text360Info world("World", 1, 0.0, 5.0);
    show(hello, true);
    show(world, false);
    List<Text360Info*> list;
    list.push_back(&hello);
    list.push_back(&world);
    w.view->setTextInfoList(list);
    const QImage first = w.view->textLayer();
    ASSERT_EQ(first.size(), QSize(3840, 2160));
    const int helloOnly = opaquePixels(first);
    EXPECT_GT(helloOnly, 0);
    w.paint();

    w.view->setTextInfoList(list);  // same overlays, same flags
    EXPECT_EQ(w.view->textLayer().cacheKey(), first.cacheKey());

    show(world, true);
    w.view->setTextInfoList(list);
    const QImage both = w.view->textLayer();
    EXPECT_NE(both.cacheKey(), first.cacheKey());
    EXPECT_GT(opaquePixels(both), helloOnly);

    w.view->setTextInfoList(List<Text360Info*>());  // texts off, layer untouched
    EXPECT_EQ(w.view->textLayer().cacheKey(), both.cacheKey());
    EXPECT_TRUE(near(w.centre(), kGrey));
}

// The overlay at yaw 0 and pitch 0 sits at the centre of the layer and of the view.
TEST_F(TextLayer, IsDrawnOverThePicture) {
    Window w(400, 400);
    const auto source = uniformPixels(kGrey);
    w.view->setRawData(source.data(), kSize, kSize);
    Text360Info block("\u2588\u2588\u2588", 0, 7, 0.0, 5.0);  // white on no background
    show(block, true);
    List<Text360Info*> list;
    list.push_back(&block);
    w.view->setTextInfoList(list);
    const QImage image = w.paint();
    int changed = 0;
    for (int y = 150; y < 250; y += 2)
        for (int x = 150; x < 250; x += 2) changed += !near(image.pixel(x, y), kGrey, 8);
    EXPECT_GT(changed, 0);
    w.view->setTextInfoList(List<Text360Info*>());
    EXPECT_TRUE(near(w.paint().pixel(200, 200), kGrey));
}

}  // namespace

// The styled text box: the widget and the image renderer paint the same pixels; sizes of the
// base box and its bubble variants.
#include <QPushButton>

#include <gtest/gtest.h>

#include "BaseStyledText.h"
#include "BottomArrowText.h"
#include "NoArrowText.h"
#include "UpArrowText.h"

namespace {

class BaseStyledTextTest : public ::testing::Test {
  protected:
    void SetUp() override { BaseStyledText::registerFonts(); }
};

QImage renderWidget(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

TEST_F(BaseStyledTextTest, WidgetAndImageRendererPaintTheSame) {
    EXPECT_FALSE(BaseStyledText::fontFamily().isEmpty());
    for (bool framed : {false, true}) {
        BaseStyledText widget(nullptr, framed);
        widget.setColors(QColor(255, 241, 0), QColor(0, 86, 31));
        widget.setFontSize(40);
        widget.setText("Same pixels from both paths");
        const QImage fromWidget = renderWidget(widget);
        const QImage fromBox = BaseStyledText::renderImage(widget.box());
        ASSERT_EQ(fromWidget.size(), fromBox.size()) << framed;
        EXPECT_TRUE(fromWidget == fromBox) << framed;
        EXPECT_EQ(fromBox.pixel(fromBox.width() / 2, widget.box().margin + 1) >> 24, 255u);
    }
}

TEST_F(BaseStyledTextTest, FontSizeScalesTheBoxAboveSixteenPoints) {
    struct Case {
        int size, maxWidth, maxHeight, margin, arrowHeight, arrowWidth;
        float penWidth;
    } cases[] = {
        {16, 200, 100, 6, 10, 20, 3.0f},
        {8, 100, 50, 6, 10, 20, 3.0f},
        {32, 400, 200, 12, 20, 40, 6.0f},
        {90, 1125, 562, 33, 56, 112, 16.875f},
    };
    for (const Case& c : cases) {
        BaseStyledText::Box box;
        box.setFontSize(c.size);
        EXPECT_EQ(box.font.pointSize(), c.size);
        EXPECT_EQ(box.maxWidth, c.maxWidth) << c.size;
        EXPECT_EQ(box.maxHeight, c.maxHeight) << c.size;
        EXPECT_EQ(box.margin, c.margin) << c.size;
        EXPECT_EQ(box.arrowHeight, c.arrowHeight) << c.size;
        EXPECT_EQ(box.arrowWidth, c.arrowWidth) << c.size;
        EXPECT_FLOAT_EQ(box.penWidth, c.penWidth) << c.size;
    }
    EXPECT_EQ(BaseStyledText::Box().font.pointSize(), 126);
}

TEST_F(BaseStyledTextTest, LongTextWrapsInsideTheArea) {
    BaseStyledText widget(nullptr, false);
    widget.setFontSize(16);
    widget.setText("A long line of words that cannot fit in two hundred pixels");
    EXPECT_LE(widget.width(), 200 + 2 * 6 + 2);
    EXPECT_GT(widget.height(), 2 * QFontMetrics(widget.box().font).height());
    EXPECT_EQ(widget.curText(), "A long line of words that cannot fit in two hundred pixels");
}

// Widget size minus the base text size, and the button's top edge, per variant.
TEST_F(BaseStyledTextTest, BubbleVariantsSizeAndPlaceTheirButton) {
    for (bool framed : {false, true}) {
        BaseStyledText base(nullptr, false);
        base.setFontSize(20);
        base.setText("Bubble");
        UpArrowText up(nullptr, framed);
        BottomArrowText bottom(nullptr, framed);
        NoArrowText none(nullptr, framed);
        BaseStyledText* variants[] = {&up, &bottom, &none};
        const int a = base.box().arrowHeight;
        const int heightExtra[] = {a - 2, a - 2, 0};
        const int buttonY[] = {a, 0, 0};
        for (int i = 0; i < 3; ++i) {
            variants[i]->setFontSize(20);
            variants[i]->setText("Bubble");
            EXPECT_EQ(variants[i]->width(), base.width() + (framed ? 22 : 0)) << i;
            EXPECT_EQ(variants[i]->height(), base.height() + heightExtra[i]) << i;
            const QPushButton* button = variants[i]->findChild<QPushButton*>();
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->isVisibleTo(variants[i]), framed) << i;
            EXPECT_EQ(button->geometry(), QRect(variants[i]->width() - 22, buttonY[i], 22, 22))
                << i;
            const QImage image = renderWidget(*variants[i]);
            // Inside the box: 60 % black or text; the arrow's free corner stays clear.
            const QRgb inside = image.pixel(2 + int(base.box().penWidth), image.height() / 2);
            EXPECT_GE(qAlpha(inside), 0x90) << i;
            if (i == 0) {
                EXPECT_EQ(qAlpha(image.pixel(image.width() - 3, 0)), 0) << "up arrow corner";
            } else if (i == 1 && !framed) {  // framed: the base frame runs round it
                EXPECT_EQ(qAlpha(image.pixel(image.width() - 3, image.height() - 1)), 0)
                    << "bottom arrow corner";
            }
        }
    }
}

}  // namespace

// The view-mode bar: a click emits the mode and shows that button's red picture.
#include <gtest/gtest.h>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "ModeView.h"

namespace {

QPushButton* button(ModeView& view, const char* name) { return view.findChild<QPushButton*>(name); }

TEST(ModeView, ClickEmitsTheModeAndShowsTheRedPicture) {
    ModeView view;
    view.show();
    QSignalSpy spy(&view, &ModeView::sigModeChange);
    const struct {
        const char* name;
        const char* word;
        PLAYBACK_MODE mode;
    } cases[] = {{"btnPanorama", "panorama", MODE_PANORAMA},
                 {"btn2in1", "2in1", MODE_TWO_IN_ONE},
                 {"btn4in1", "4in1", MODE_FOUR_IN_ONE},
                 {"btnAngle", "angle", MODE_ANGLE},
                 {"btnOriginal", "original", MODE_ORIGINAL}};
    for (const auto& c : cases) {
        spy.clear();
        QTest::mouseClick(button(view, c.name), Qt::LeftButton);
        ASSERT_EQ(spy.count(), 1) << c.name;
        EXPECT_EQ(spy.at(0).at(0).value<PLAYBACK_MODE>(), c.mode);
        for (const auto& other : cases) {
            const QString style = button(view, other.name)->styleSheet();
            const QString shown = QString("url(:/image/modeView/icon_%1_%2_en.png);}")
                                      .arg(other.word, other.name == c.name ? "red" : "white");
            EXPECT_TRUE(style.startsWith("QPushButton{background-image: " + shown))
                << c.name << " " << other.name << " " << style.toStdString();
        }
    }
}

TEST(ModeView, ClickOnTheCheckedButtonEmitsAgain) {
    ModeView view;
    QSignalSpy spy(&view, &ModeView::sigModeChange);
    QTest::mouseClick(button(view, "btnOriginal"), Qt::LeftButton);
    QTest::mouseClick(button(view, "btnOriginal"), Qt::LeftButton);
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(1).at(0).value<PLAYBACK_MODE>(), MODE_ORIGINAL);
}

TEST(ModeView, StylesNameTheEnglishPicturesOfEveryState) {
    ModeView view;
    EXPECT_EQ(ModeView::PANORAMA_STYLE,
              "QPushButton{background-image: url(:/image/modeView/icon_panorama_white_en.png);}"
              "QPushButton:pressed{background-image: "
              "url(:/image/modeView/icon_panorama_red_en.png);}"
              "QPushButton:hover{background-image: "
              "url(:/image/modeView/icon_panorama_white_hover_en.png);}");
    EXPECT_TRUE(ModeView::ANGLE_CHECKED_STYLE.contains("icon_angle_red_hover_en.png"));
}

}  // namespace

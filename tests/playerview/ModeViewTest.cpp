// The view-mode bar: a click emits the mode, the clicked button shows its red picture on screen
// before the mode goes out, and each button shows the picture of its state.
#include <gtest/gtest.h>
#include <QCursor>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include "ModeView.h"

namespace {

QPushButton* button(ModeView& view, const char* name) { return view.findChild<QPushButton*>(name); }

const struct Button {
    const char* name;
    const char* word;
    PLAYBACK_MODE mode;
} kButtons[] = {{"btnOriginal", "original", MODE_ORIGINAL},
                {"btnPanorama", "panorama", MODE_PANORAMA},
                {"btn2in1", "2in1", MODE_TWO_IN_ONE},
                {"btn4in1", "4in1", MODE_FOUR_IN_ONE},
                {"btnAngle", "angle", MODE_ANGLE}};

// What a button shows on its own (no window behind it), premultiplied.
QImage drawn(QPushButton* button) {
    return button->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The resource picture "icon_<word>_<state>_en.png", premultiplied.
QImage expected(const QString& word, const QString& state) {
    return QImage(QString(":/image/modeView/icon_%1_%2_en.png").arg(word, state))
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The largest difference of a channel, alpha included, between two pictures of one size; 255
// when the sizes differ.
int difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 255;
    int most = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            most = std::max({most, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                             std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return most;
}

// Red strokes of the red pictures on screen in `area` of the shown bar.
int redPixelsOnScreen(ModeView& view, QRect area) {
    const QImage shown =
        view.screen()
            ->grabWindow(view.winId(), area.x(), area.y(), area.width(), area.height())
            .toImage();
    int red = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb p = shown.pixel(x, y);
            red += qRed(p) > 100 && qGreen(p) < 60 && qBlue(p) < 60;
        }
    return red;
}

TEST(ModeView, ClickEmitsTheModeAndShowsTheRedPicture) {
    ModeView view;
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QSignalSpy spy(&view, &ModeView::sigModeChange);
    for (const Button& clicked : kButtons) {
        spy.clear();
        QTest::mouseClick(button(view, clicked.name), Qt::LeftButton);
        ASSERT_EQ(spy.count(), 1) << clicked.name;
        EXPECT_EQ(spy.at(0).at(0).value<PLAYBACK_MODE>(), clicked.mode);
        for (const Button& other : kButtons) {
            QPushButton* shown = button(view, other.name);
            const char* state = other.name == clicked.name ? "red" : "white";
            EXPECT_LE(difference(drawn(shown), expected(other.word, state)), 2)
                << clicked.name << " " << other.name << " " << state;
        }
    }
}

// Switching the view may take a while: the clicked button is red on screen when the mode goes
// out, not only after the switch.
TEST(ModeView, ClickedButtonIsRedOnScreenBeforeTheModeIsSent) {
    ModeView view;
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    auto areaOf = [&](const char* name) {
        QPushButton* shown = button(view, name);
        return QRect(shown->mapTo(&view, QPoint(0, 0)), shown->size());
    };
    // The first picture is on screen once the checked button shows red there.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return redPixelsOnScreen(view, areaOf(kButtons[0].name)) > 200; }, 5000));
    for (const Button& clicked : {kButtons[1], kButtons[4], kButtons[0]}) {
        QPushButton* target = button(view, clicked.name);
        const QRect area = areaOf(clicked.name);
        int redWhenSent = -1;
        const QMetaObject::Connection c = QObject::connect(
            &view, &ModeView::sigModeChange, [&] { redWhenSent = redPixelsOnScreen(view, area); });
        QTest::mouseClick(target, Qt::LeftButton);
        QObject::disconnect(c);
        EXPECT_GT(redWhenSent, 200) << clicked.name;
    }
}

// The bar's buttons are flat pictures: clicks and arrow keys leave no focus frame on them and
// do not move the choice.
TEST(ModeView, ClicksAndArrowKeysLeaveNoFocusFrame) {
    ModeView view;
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    QPushButton* panorama = button(view, "btnPanorama");
    QTest::mouseClick(panorama, Qt::LeftButton);
    QCursor::setPos(view.mapToGlobal(QPoint(view.width() + 40, view.height() + 40)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panorama->underMouse(); }));
    QSignalSpy spy(&view, &ModeView::sigModeChange);
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Right, Qt::Key_Up, Qt::Key_Left, Qt::Key_Tab})
        QTest::keyClick(view.windowHandle(), key);
    EXPECT_EQ(spy.count(), 0);
    EXPECT_TRUE(panorama->isChecked());
    for (const Button& b : kButtons) {
        const char* state = b.mode == MODE_PANORAMA ? "red" : "white";
        EXPECT_LE(difference(drawn(button(view, b.name)), expected(b.word, state)), 2) << b.name;
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

// Each button, checked or not, shows the picture of its state: plain, pressed and under the
// pointer.
TEST(ModeView, EachStateShowsItsPicture) {
    ModeView view;
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    for (size_t i = 0; i < std::size(kButtons); ++i) {
        const Button& b = kButtons[i];
        QPushButton* shown = button(view, b.name);
        QPushButton* other = button(view, kButtons[(i + 1) % std::size(kButtons)].name);
        for (bool checked : {false, true}) {
            QTest::mouseClick(checked ? shown : other, Qt::LeftButton);
            const struct {
                const char* state;
                bool pressed, hovered;
                const char* picture;
            } states[] = {{"plain", false, false, checked ? "red" : "white"},
                          {"pressed", true, false, "red"},
                          {"hovered", false, true, checked ? "red_hover" : "white_hover"}};
            for (const auto& s : states) {
                QTest::mouseMove(s.hovered ? shown : other);
                ASSERT_TRUE(QTest::qWaitFor([&] { return shown->underMouse() == s.hovered; }));
                shown->setDown(s.pressed);
                EXPECT_LE(difference(drawn(shown), expected(b.word, s.picture)), 2)
                    << b.name << (checked ? " checked " : " ") << s.state;
                shown->setDown(false);
            }
        }
    }
}

}  // namespace

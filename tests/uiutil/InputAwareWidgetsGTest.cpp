#include <memory>

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include "ClickAwareLabel.h"
#include "ClickAwareWidget.h"
#include "ClickClock.h"
#include "WheelAwareWidget.h"

namespace {

qint64 fakeNow = 0;

// Counts onClick() and the order against clicked().
template <typename Base>
class Counting : public Base {
  public:
    int clicks = 0;
    int onClicks = 0;
    bool onClickAfterClicked = true;

    Counting() {
        QObject::connect(this, &Base::clicked, [this] { ++clicks; });
    }

  protected:
    void onClick() override {
        onClickAfterClicked = onClickAfterClicked && clicks == onClicks + 1;
        ++onClicks;
    }
};

struct ClickCase {
    Qt::MouseButton button;
    qint64 heldMs;
    int expected;
};

const ClickCase kClickCases[] = {
    {Qt::LeftButton, 0, 1},   {Qt::LeftButton, 300, 1},  {Qt::LeftButton, 301, 0},
    {Qt::RightButton, 10, 0}, {Qt::MiddleButton, 10, 0},
};

template <typename W>
void runClickTable() {
    ClickClock::setSource([] { return fakeNow; });
    for (const ClickCase& c : kClickCases) {
        Counting<W> w;
        w.resize(100, 60);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        fakeNow = 1'700'000'000'000;
        QTest::mousePress(&w, c.button, Qt::NoModifier, QPoint(50, 30));
        fakeNow += c.heldMs;
        QTest::mouseRelease(&w, c.button, Qt::NoModifier, QPoint(50, 30));
        EXPECT_EQ(c.expected, w.clicks) << c.button << " held " << c.heldMs;
        EXPECT_EQ(c.expected, w.onClicks);
        EXPECT_TRUE(w.onClickAfterClicked);
    }
    ClickClock::setSource(nullptr);
}

// Records wheel events that reach it, so a taken event shows by not arriving.
class WheelParent : public QWidget {
  public:
    int received = 0;

  protected:
    void wheelEvent(QWheelEvent* e) override {
        ++received;
        e->accept();
    }
};

}  // namespace

TEST(ClickAwareWidget, ClickTable) { runClickTable<ClickAwareWidget>(); }

TEST(ClickAwareLabel, ClickTable) { runClickTable<ClickAwareLabel>(); }

TEST(ClickAwareWidget, RealClockGivesAQuickClick) {
    Counting<ClickAwareWidget> w;
    w.resize(80, 40);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(1, w.clicks);
}

TEST(WheelAwareWidget, ReportsTheVerticalDeltaAndTakesTheEvent) {
    struct Case {
        QPoint angle;
        int expected;
    } cases[] = {{{0, 120}, 120}, {{0, -240}, -240}, {{120, 0}, 0}, {{30, 15}, 15}};
    for (const Case& c : cases) {
        WheelParent parent;
        auto* w = new WheelAwareWidget(&parent);
        w->resize(100, 100);
        parent.resize(100, 100);
        parent.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
        QList<int> offsets;
        QObject::connect(w, &WheelAwareWidget::wheelMoved, [&](int o) { offsets << o; });
        QWheelEvent e(QPointF(50, 50), w->mapToGlobal(QPoint(50, 50)), QPoint(), c.angle,
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &e);
        ASSERT_EQ(1, offsets.size());
        EXPECT_EQ(c.expected, offsets[0]);
        EXPECT_TRUE(e.isAccepted());
        EXPECT_EQ(0, parent.received);
    }
}

TEST(WheelAwareWidget, ConstructorsWithoutParentMakeTopLevels) {
    EXPECT_EQ(nullptr, WheelAwareWidget().parentWidget());
    EXPECT_EQ(nullptr, ClickAwareWidget().parentWidget());
    EXPECT_EQ(nullptr, ClickAwareLabel().parentWidget());
}

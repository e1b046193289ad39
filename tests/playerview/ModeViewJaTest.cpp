// The view-mode bar under the system locale "ja_JP": every picture is a "_jp" one.
#include <gtest/gtest.h>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>

#include "ModeView.h"

TEST(ModeViewJa, EveryPictureIsJapanese) {
    ASSERT_EQ(QLocale::system().name(), "ja_JP");
    ModeView view;
    const QString all[] = {ModeView::ORIGINAL_STYLE,    ModeView::ORIGINAL_CHECKED_STYLE,
                           ModeView::PANORAMA_STYLE,    ModeView::PANORAMA_CHECKED_STYLE,
                           ModeView::TWO_IN_ONE_STYLE,  ModeView::TWO_IN_ONE_CHECKED_STYLE,
                           ModeView::FOUR_IN_ONE_STYLE, ModeView::FOUR_IN_ONE_CHECKED_STYLE,
                           ModeView::ANGLE_STYLE,       ModeView::ANGLE_CHECKED_STYLE};
    const QRegularExpression url("url\\((:[^)]*)\\)");
    for (const QString& style : all) {
        auto it = url.globalMatch(style);
        int pictures = 0;
        while (it.hasNext()) {
            const QString path = it.next().captured(1);
            EXPECT_TRUE(path.endsWith("_jp.png")) << path.toStdString();
            EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
            ++pictures;
        }
        EXPECT_EQ(pictures, 3);
    }
}

#include "QPyStyle.h"

#include <QApplication>

QPyStyle::QPyStyle(const QStyle* like)
    : QProxyStyle((like ? like : QApplication::style())->objectName()) {}

int QPyStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                        QStyleHintReturn* returnData) const {
    if (hint == SH_Slider_AbsoluteSetButtons)
        return Qt::LeftButton | Qt::RightButton | Qt::MiddleButton;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

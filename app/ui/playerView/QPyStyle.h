#pragma once

#include <QProxyStyle>

// A slider style whose groove click moves the handle straight to the click (any button).
// Built over a base style of its own, so the application's style stays untouched.
class QPyStyle : public QProxyStyle {
    Q_OBJECT

  public:
    // A new base style of the kind `like` is (the application style when null); not `like`
    // itself, which a proxy would take over.
    explicit QPyStyle(const QStyle* like = nullptr);

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

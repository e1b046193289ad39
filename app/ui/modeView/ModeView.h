#pragma once

#include <QString>
#include <QWidget>

#include "PlaybackMode.h"

class QPushButton;

namespace Ui {
class ModeView;
}

// The row of five picture buttons that chooses the view mode. Main thread only.
class ModeView : public QWidget {
    Q_OBJECT

  public:
    explicit ModeView(QWidget* parent = nullptr);
    ~ModeView() override;

    // Process-wide style sheets of the buttons, filled for the system locale by each new view.
    static QString ORIGINAL_STYLE;
    static QString ORIGINAL_CHECKED_STYLE;
    static QString PANORAMA_STYLE;
    static QString PANORAMA_CHECKED_STYLE;
    static QString TWO_IN_ONE_STYLE;
    static QString TWO_IN_ONE_CHECKED_STYLE;
    static QString FOUR_IN_ONE_STYLE;
    static QString FOUR_IN_ONE_CHECKED_STYLE;
    static QString ANGLE_STYLE;
    static QString ANGLE_CHECKED_STYLE;

  signals:
    void sigModeChange(PLAYBACK_MODE mode);

  protected slots:
    void modeChange();

  protected:
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    struct ButtonStyle {
        QPushButton* button;
        PLAYBACK_MODE mode;
        const QString* plain;
        const QString* checked;
    };

    static void setupStyle();
    QList<ButtonStyle> buttons() const;
    void updateStyle();

    Ui::ModeView* ui;
};

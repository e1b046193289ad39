#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QSize>
#include <QString>

class QVBoxLayout;
class QWidget;

// The reset button of a sphere view, laid out in a container of the caller's panel. Its icon is
// the direction picture turned by the view's angleY. Main thread only.
class AngleResetButton : public QObject {
    Q_OBJECT

  public:
    // The button will fill `container` (its size measured now, not again) and be added to
    // `layout`; both are borrowed and may be null (then no button is made).
    AngleResetButton(QWidget* container, QVBoxLayout* layout, const QString& styleSheet);
    ~AngleResetButton() override;

    // The direction picture of the generic viewers for a zoom level: ":/images/Drumvale/"
    // "icon_angle_l.png" from 15 on, "icon_angle_s.png" below 7, else "icon_angle_m.png".
    static QString viewerPicture(int zoom);

    // Makes the button unless it exists.
    void create();
    // Deletes the button and makes a new one in the given container and layout.
    void move(QWidget* container, QVBoxLayout* layout);
    // Shows or hides the button; remembered for the button to come. Hidden at start.
    void setVisible(bool visible);
    void setPicture(const QImage& picture);
    // Draws the picture turned by `angleY` degrees as the icon.
    void redraw(float angleY);

  signals:
    void clicked();

  private:
    QWidget* container;  // borrowed
    QVBoxLayout* layout;
    QString styleSheet;
    QSize size;
    bool visible = false;
    QImage picture;
    float lastAngleY = 0.0f;
    QPointer<QPushButton> resetButton;  // child of container, which may go first
};

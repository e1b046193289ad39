#include "AngleResetButton.h"

#include <QPainter>
#include <QVBoxLayout>
#include <QWidget>

AngleResetButton::AngleResetButton(QWidget* container, QVBoxLayout* layout,
                                   const QString& styleSheet)
    : container(container),
      layout(layout),
      styleSheet(styleSheet),
      size(container ? container->size() : QSize()) {}

AngleResetButton::~AngleResetButton() { delete resetButton; }

QString AngleResetButton::viewerPicture(int zoom) {
    if (zoom >= 15) return ":/images/Drumvale/icon_angle_l.png";
    if (zoom < 7) return ":/images/Drumvale/icon_angle_s.png";
    return ":/images/Drumvale/icon_angle_m.png";
}

void AngleResetButton::create() {
    if (resetButton || !container || !layout) return;
    resetButton = new QPushButton(container);
    resetButton->setFlat(true);
    resetButton->setStyleSheet(styleSheet);
    resetButton->setFocusPolicy(Qt::NoFocus);
    resetButton->setGeometry(QRect(QPoint(0, 0), size));
    resetButton->setFixedSize(size);
    resetButton->setIconSize(size);
    layout->addWidget(resetButton);
    resetButton->setVisible(visible);
    connect(resetButton, &QPushButton::clicked, this, &AngleResetButton::clicked);
    redraw(lastAngleY);
}

void AngleResetButton::move(QWidget* newContainer, QVBoxLayout* newLayout) {
    delete resetButton;
    container = newContainer;
    layout = newLayout;
    create();
}

void AngleResetButton::setVisible(bool show) {
    visible = show;
    if (resetButton) resetButton->setVisible(show);
}

void AngleResetButton::setPicture(const QImage& image) { picture = image; }

void AngleResetButton::redraw(float angleY) {
    lastAngleY = angleY;
    if (!resetButton || size.isEmpty()) return;
    QImage canvas(size, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    const int half = size.width() / 2;
    painter.translate(half, half);
    painter.rotate(angleY);
    painter.translate(-(picture.width() / 2.0), -20.0);
    painter.drawImage(0, 0, picture);
    painter.end();
    resetButton->setIcon(QIcon(QPixmap::fromImage(canvas)));
}

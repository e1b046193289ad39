#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

class QPainter;
class QPaintDevice;
class QPushButton;

// A text in a styled box. The look lives in a Box value painted by one routine, so the widget's
// paintEvent and the QImage renderer (usable on any thread) draw the same pixels. The arrow
// variants draw speech-bubble boxes.
class BaseStyledText : public QWidget {
    Q_OBJECT

  public:
    // Text, font, sizes and colours of a box; a plain value, safe to use on any thread.
    struct Box {
        QFont font;
        QString text;
        bool framed = false;
        int maxWidth = 200, maxHeight = 100;  // area in which the text wraps
        int margin = 6, arrowHeight = 10, arrowWidth = 20;
        float penWidth = 3.0f, shadowOffset = 1.0f;
        QColor textColor = QColor(255, 255, 255);
        QColor shadowColor = QColor(0, 0, 0, 0);
        QColor backgroundColor = QColor(255, 255, 255, 0);

        explicit Box(bool framed = false);
        // Point size n; the wrap area (and, above 16 points, the margins and pen) scale by n/16.
        void setFontSize(int n);
        // The text's bounding rectangle within the wrap area at origin, measured on device.
        QRect textRect(const QPaintDevice* device, QPoint origin) const;
        // The base box's size for its text, measured on device.
        QSize size(const QPaintDevice* device) const;
    };

    BaseStyledText(QWidget* parent, bool framed);

    void setColors(QColor text, QColor background);
    void setFontSize(int size);
    virtual void setText(QString text);
    QString curText() const;
    const Box& box() const { return box_; }

    // Draws the base box into a transparent ARGB32 image of its size. Any thread.
    static QImage renderImage(const Box& box);
    // Registers the embedded fonts once; call on the GUI thread before drawing elsewhere.
    static void registerFonts();
    // Family of ":font/kenyan_coffee.ttf"; empty (the default family) when not registered.
    static QString fontFamily();

  protected:
    void paintEvent(QPaintEvent* event) override;
    // The base box: shadow or frame, background of the text rectangle, the text.
    static void paintBox(QPainter& painter, const Box& box, QSize size);
    // Bubble variants: sets the text and sizes the widget to the text plus the margins, the
    // button's room when framed, and extraHeight below; places the 22 x 22 button at
    // (width - 22, buttonY) and shows it when framed; repaints.
    void setBubbleText(QString text, int extraHeight, int buttonY);
    // Bubble variants: the outline filled with 60 % black and stroked white (dotted when
    // framed), then the text in white at textOrigin.
    void paintBubble(QPainter& painter, const QPolygon& outline, QPoint textOrigin) const;
    // Text flags of every variant: left-aligned, wrapping anywhere.
    static constexpr int kTextFlags = Qt::AlignLeft | Qt::TextWrapAnywhere;

    // GUI thread only.
    QPushButton* button;
    Box box_;
};

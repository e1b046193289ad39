#include "BaseStyledText.h"

#include <mutex>

#include <QCoreApplication>
#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QPushButton>
#include <QThread>

#include "EmbeddedResource.h"
#include "LogSystem.h"

static void initV360Resources() { RV_INIT_RESOURCE_ONCE(v360); }

namespace {

constexpr const char* kTag = "BaseStyledText";
constexpr const char* kFontResource = ":font/kenyan_coffee.ttf";
constexpr int kDefaultPointSize = 126;

// Registered family, written once on the GUI thread.
struct FontRegistry {
    std::mutex lock;
    bool registered = false;
    QString family;
};

FontRegistry& fontRegistry() {
    static FontRegistry registry;
    return registry;
}

bool onGuiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

QFont defaultFont() {
    const QString family = BaseStyledText::fontFamily();
    QFont font = family.isEmpty() ? QFont() : QFont(family);
    font.setPointSize(kDefaultPointSize);
    return font;
}

}  // namespace

BaseStyledText::Box::Box(bool framed) : font(defaultFont()), framed(framed) {}

void BaseStyledText::Box::setFontSize(int n) {
    if (n > 0) font.setPointSize(n);
    const double s = n / 16.0;
    maxWidth = static_cast<int>(200 * s);
    maxHeight = static_cast<int>(100 * s);
    if (s <= 1) return;
    margin = static_cast<int>(6 * s);
    arrowHeight = static_cast<int>(10 * s);
    arrowWidth = static_cast<int>(20 * s);
    penWidth = static_cast<float>(3 * s);
    shadowOffset = static_cast<float>(s);
}

QRect BaseStyledText::Box::textRect(const QPaintDevice* device, QPoint origin) const {
    const QFontMetrics metrics(font, device);
    return metrics.boundingRect(QRect(origin, QSize(maxWidth, maxHeight)), kTextFlags, text);
}

QSize BaseStyledText::Box::size(const QPaintDevice* device) const {
    const QRect r = textRect(device, QPoint(margin, margin));
    return QSize(r.width() + 2 * margin + 2, r.height() + 2 * margin + 2);
}

BaseStyledText::BaseStyledText(QWidget* parent, bool framed)
    : QWidget(parent), button(new QPushButton(this)), box_(framed) {
    button->setFlat(true);
    button->hide();
}

void BaseStyledText::setColors(QColor text, QColor background) {
    box_.textColor = text;
    box_.backgroundColor = background;
}

void BaseStyledText::setFontSize(int size) { box_.setFontSize(size); }

void BaseStyledText::setText(QString text) {
    box_.text = text;
    resize(box_.size(this));
    update();
}

QString BaseStyledText::curText() const { return box_.text; }

QImage BaseStyledText::renderImage(const Box& box) {
    const QImage probe(1, 1, QImage::Format_ARGB32);
    QImage image(box.size(&probe), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paintBox(painter, box, image.size());
    return image;
}

void BaseStyledText::registerFonts() {
    FontRegistry& registry = fontRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    if (registry.registered) return;
    if (!onGuiThread()) {
        LogSystem::w(kTag, "Fonts not registered off the GUI thread!");
        return;
    }
    registry.registered = true;
    initV360Resources();
    const int id = QFontDatabase::addApplicationFont(kFontResource);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty()) {
        LogSystem::w(kTag, "Font %s not loaded?", kFontResource);
        return;
    }
    registry.family = families.first();
}

QString BaseStyledText::fontFamily() {
    if (onGuiThread()) registerFonts();
    FontRegistry& registry = fontRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    return registry.family;
}

void BaseStyledText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintBox(painter, box_, size());
}

void BaseStyledText::setBubbleText(QString text, int extraHeight, int buttonY) {
    constexpr int kButtonSide = 22;
    box_.text = text;
    const QRect r = box_.textRect(this, QPoint(box_.margin, box_.margin));
    resize(r.width() + 2 * box_.margin + (box_.framed ? kButtonSide + 2 : 2),
           r.height() + 2 * box_.margin + extraHeight);
    button->setGeometry(width() - kButtonSide, buttonY, kButtonSide, kButtonSide);
    button->setVisible(box_.framed);
    update();
}

void BaseStyledText::paintBubble(QPainter& painter, const QPolygon& outline,
                                 QPoint textOrigin) const {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(box_.font);
    painter.setPen(QPen(Qt::white, box_.penWidth, box_.framed ? Qt::DotLine : Qt::SolidLine,
                        Qt::SquareCap, Qt::BevelJoin));
    painter.setBrush(QColor::fromRgba64(0, 0, 0, 0x9999));
    painter.drawPolygon(outline);
    painter.setPen(Qt::white);
    painter.drawText(box_.textRect(painter.device(), textOrigin), kTextFlags, box_.text);
}

void BaseStyledText::paintBox(QPainter& painter, const Box& box, QSize size) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(box.font);
    const QRect textRect = box.textRect(painter.device(), QPoint(box.margin, box.margin));
    if (box.framed) {
        QPainterPath outline;
        outline.addRect(QRectF(QPointF(0, 0), QSizeF(size)));
        painter.fillPath(outline, box.shadowColor);
        painter.strokePath(outline, QPen(QColor(81, 164, 255), box.penWidth, Qt::SolidLine,
                                         Qt::SquareCap, Qt::BevelJoin));
    } else {
        painter.setPen(box.shadowColor);
        painter.drawText(QRectF(textRect).translated(box.shadowOffset, box.shadowOffset),
                         kTextFlags, box.text);
    }
    painter.fillRect(textRect, box.backgroundColor);
    painter.setPen(box.textColor);
    painter.drawText(textRect, kTextFlags, box.text);
}

// Every text the window, its panels and its overlays show fits its widget with the embedded
// fonts, in the language of the process's locale (run once as it is and once under
// LANG=ja_JP.UTF-8, see CMakeLists.txt).
#include <QAbstractButton>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSet>
#include <QStackedWidget>
#include <QTextDocument>
#include <QTranslator>
#include <QtMath>

#include <memory>

#include <gtest/gtest.h>

#include "DialogHook.h"
#include "EventWait.h"
#include "FileDialog.h"
#include "FontStyle.h"
#include "MainWindow.h"
#include "TestEnv.h"
#include "Translations.h"

namespace {

// Where a text runs past its widget.
QString where(const QWidget* widget, const QString& text, int need, int have) {
    return QString("%1 [" + QFontInfo(widget->font()).family() + " " +
                   QString::number(widget->font().pixelSize()) +
                   (widget->font().bold() ? " bold" : "") + "] \"%2\" needs %3 px, has %4")
        .arg(widget->objectName(), text)
        .arg(need)
        .arg(have);
}

// The width `line` takes drawn in `metrics`' font: its advance, or further where the ink of its
// last glyph reaches past the advance (a slash or an italic letter at the end).
int drawnWidth(const QFontMetrics& metrics, const QString& line) {
    return qMax(metrics.horizontalAdvance(line), metrics.tightBoundingRect(line).right() + 1);
}

// The width a label's text takes on one line, rich text laid out as the label does.
int textWidth(const QLabel* label) {
    if (label->textFormat() == Qt::RichText || Qt::mightBeRichText(label->text())) {
        QTextDocument document;
        document.setDefaultFont(label->font());
        document.setDocumentMargin(0);
        document.setHtml(label->text());
        return qMax(qCeil(document.idealWidth()),
                    drawnWidth(label->fontMetrics(), document.toPlainText()));
    }
    int widest = 0;
    for (const QString& line : label->text().split('\n'))
        widest = qMax(widest, drawnWidth(label->fontMetrics(), line));
    return widest;
}

// A word-wrapped label must fit each word across and, unless it scrolls, every line down.
void checkWrapped(const QLabel* label, const QRect& room, QStringList* overflows) {
    for (const QString& word : label->text().split(QRegExp("\\s+"), Qt::SkipEmptyParts)) {
        const int need = label->fontMetrics().horizontalAdvance(word);
        if (need > room.width()) *overflows << where(label, word, need, room.width());
    }
    bool scrolls = false;
    for (const QWidget* up = label->parentWidget(); up && !scrolls; up = up->parentWidget())
        scrolls = qobject_cast<const QScrollArea*>(up);
    const int tall = label->heightForWidth(label->width());
    if (!scrolls && tall > label->height())
        *overflows << where(label, label->text(), tall, label->height()) + " down";
}

// The part of `widget` across that its ancestors leave in view, in its own coordinates; a
// scroll area's content is clipped on purpose, so the search stops there.
QRect shown(const QWidget* widget) {
    QRect room = widget->rect();
    for (const QWidget* up = widget->parentWidget(); up && !up->isWindow();
         up = up->parentWidget()) {
        if (qobject_cast<const QScrollArea*>(up)) break;
        const QPoint origin = widget->mapFrom(up, QPoint(0, 0));
        room.setLeft(qMax(room.left(), origin.x()));
        room.setRight(qMin(room.right(), origin.x() + up->width() - 1));
    }
    return room;
}

void checkLabel(const QLabel* label, QStringList* overflows) {
    const QString text = label->text();
    // Texts cut on purpose end with an ellipsis.
    if (text.isEmpty() || text.contains(QChar(0x2026))) return;
    const int margin = label->margin();
    const QRect room =
        label->contentsRect().adjusted(margin, margin, -margin, -margin) & shown(label);
    if (label->wordWrap()) return checkWrapped(label, room, overflows);
    const int need = textWidth(label);
    if (need > room.width()) *overflows << where(label, text, need, room.width());
    const int lines = text.count('\n') + 1;
    const int tall = label->fontMetrics().height() * lines;
    if (tall > room.height()) *overflows << where(label, text, tall, room.height()) + " down";
}

void checkButton(const QAbstractButton* button, QStringList* overflows) {
    const QString text = button->text();
    if (text.isEmpty()) return;
    // Push buttons here draw their text on their picture without padding; others (radio
    // buttons) add their indicator, which their size hint holds.
    const int need = qobject_cast<const QPushButton*>(button)
                         ? button->fontMetrics().horizontalAdvance(text)
                         : button->sizeHint().width();
    const int have = shown(button).width();
    if (need > have) *overflows << where(button, text, need, have);
    if (button->fontMetrics().height() > button->height())
        *overflows << where(button, text, button->fontMetrics().height(), button->height()) +
                          " down";
}

// The texts under `top` that the user sees and that do not fit.
QStringList overflows(const QWidget* top) {
    QStringList found;
    for (const QLabel* label : top->findChildren<QLabel*>())
        if (label->isVisibleTo(top)) checkLabel(label, &found);
    for (const QAbstractButton* button : top->findChildren<QAbstractButton*>())
        if (button->isVisibleTo(top)) checkButton(button, &found);
    return found;
}

// Every page of each stacked widget under `top` in turn, then checked.
QStringList overflowsOnEveryPage(QWidget* top) {
    QStringList found = overflows(top);
    for (QStackedWidget* stack : top->findChildren<QStackedWidget*>()) {
        const int shown = stack->currentIndex();
        for (int page = 0; page < stack->count(); ++page) {
            stack->setCurrentIndex(page);
            EventWait::settle(20);
            found << overflows(top);
        }
        stack->setCurrentIndex(shown);
    }
    found.removeDuplicates();
    return found;
}

class TextFitTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        Translations::install(RV_LANGUAGES_DIR, QLocale::system().name(), translators);
        FontStyle::init();
        QFont font = QApplication::font();
        font.setFamily(FontStyle::getFontFamily());
        QApplication::setFont(font);
    }
    void SetUp() override {
        window = std::make_unique<MainWindow>();
        window->show();
        EventWait::settle(200);
    }
    void TearDown() override {
        window.reset();
        DialogHook::setAnswerer(nullptr);
    }

    static std::unique_ptr<QTranslator> translators[3];
    std::unique_ptr<MainWindow> window;
};
std::unique_ptr<QTranslator> TextFitTest::translators[3];

TEST_F(TextFitTest, WindowAndPanels) {
    EXPECT_TRUE(FontStyle::getFontFamily().size() > 0);
    const QStringList found = overflowsOnEveryPage(window.get());
    EXPECT_TRUE(found.isEmpty()) << found.join("\n").toStdString();
}

// White ink of the About box's texts (version, address, notice line) in the bands along its
// left and right borders: a text that runs into a border shows there.
QStringList inkAtTheBorders(QWidget* overlay) {
    QWidget* box = overlay->findChild<QWidget*>("widget");
    QWidget* texts = overlay->findChild<QWidget*>("widget_4");
    if (!box || !texts) return {};
    const QImage shown = box->grab().toImage();
    const QRect rows(texts->mapTo(box, QPoint(0, 0)), texts->size());
    QStringList found;
    for (int y = rows.top(); y <= rows.bottom(); ++y)
        for (int x : {1, 2, 3, 4, 5, box->width() - 6, box->width() - 5, box->width() - 4,
                      box->width() - 3, box->width() - 2})
            if (qGray(shown.pixel(x, y)) > 150)
                found << QString("text ink at %1,%2 of the About box").arg(x).arg(y);
    return found;
}

TEST_F(TextFitTest, Overlays) {
    // The upload overlay may ask to sign in; no dialog is shown.
    DialogHook::setAnswerer([](const DialogHook::Request&) { return DialogHook::Answer(); });
    for (const char* slot : {"showInformationDlg", "showConversionDlg", "showUploadDlg"}) {
        const QList<QWidget*> children = window->findChildren<QWidget*>();
        const QSet<QWidget*> before(children.begin(), children.end());
        ASSERT_TRUE(QMetaObject::invokeMethod(window.get(), slot)) << slot;
        EventWait::settle(100);
        QWidget* overlay = nullptr;
        for (QWidget* child : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (!before.contains(child) && child->geometry() == window->rect()) overlay = child;
        ASSERT_NE(overlay, nullptr) << slot;
        const QStringList found = overflowsOnEveryPage(overlay) + inkAtTheBorders(overlay);
        EXPECT_TRUE(found.isEmpty()) << slot << "\n" << found.join("\n").toStdString();
        overlay->hide();
    }
}

TEST_F(TextFitTest, FolderChooser) {
    FileDialog chooser(QString(), nullptr);
    chooser.show();
    EventWait::settle(100);
    const QStringList found = overflows(&chooser);
    EXPECT_TRUE(found.isEmpty()) << found.join("\n").toStdString();
}

}  // namespace

#include "FileListItemView.h"

#include <cmath>

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QMouseEvent>
#include <QThreadPool>

#include "FontStyle.h"
#include "LoadDurationTask.h"

namespace {
const int kElideMargin = 9;
const char* const kNormalStyle = "color: rgb(255, 255, 255);";
const char* const kSelectedStyle = "color: rgb(255, 0, 0);";
}  // namespace

FileListItemView::FileListItemView(QWidget* parent) : QWidget(parent) {
    ui.setupUi(this);
    const QFont font = FontStyle::font(ui.lblName->font(), 13, 11);
    for (QLabel* label : {ui.lblName, ui.lblDuration, ui.lblDate}) label->setFont(font);
    connect(this, SIGNAL(sigDurationLoaded(double)), this, SLOT(durationLoaded(double)),
            Qt::QueuedConnection);
}

void FileListItemView::init(QString filePath) {
    path = filePath;
    const QFileInfo info(path);
    showElided(ui.lblName, info.fileName(), ui.widget);
    date = QLocale(QLocale::English).toString(info.lastModified(), "yyyy/MM/dd hh:mm");
    showElided(ui.lblDate, date, ui.widget_3);
    setViewSelect(false);
    QThreadPool::globalInstance()->start(new LoadDurationTask(this, path));
}

void FileListItemView::setViewSelect(bool select) {
    selected = select;
    const QString style = selected ? kSelectedStyle : kNormalStyle;
    for (QLabel* label : {ui.lblName, ui.lblDuration, ui.lblDate}) {
        // Setting an equal style sheet still re-polishes the label: costly over many rows.
        if (label->styleSheet() != style) label->setStyleSheet(style);
    }
}

bool FileListItemView::isViewSelected() const { return selected; }

QString FileListItemView::getPath() { return path; }

void FileListItemView::resizeContent(int nameWidth, int durationWidth, int dateWidth) {
    ui.widget->setFixedWidth(nameWidth);
    ui.widget_2->setFixedWidth(durationWidth);
    ui.widget_3->setFixedWidth(dateWidth);
    showElided(ui.lblName, QFileInfo(path).fileName(), ui.widget);
    if (!duration.isEmpty()) showElided(ui.lblDuration, duration, ui.widget_2);
    showElided(ui.lblDate, date, ui.widget_3);
}

QString FileListItemView::durationText(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
    const long long s = std::llround(seconds);
    return QString::asprintf("%02lld : %02lld", s / 60, s % 60);
}

void FileListItemView::mousePressEvent(QMouseEvent* event) {
    emit sigViewSelect(this);
    if (!selected) setViewSelect(true);
    event->accept();
}

void FileListItemView::mouseDoubleClickEvent(QMouseEvent* event) {
    Q_UNUSED(event);
    emit sigViewPlay();
}

void FileListItemView::durationLoaded(double _duration) {
    duration = durationText(_duration);
    showElided(ui.lblDuration, duration, ui.widget_2);
}

void FileListItemView::showElided(QLabel* label, const QString& text, QWidget* cell) {
    const QFontMetrics metrics(ui.lblName->font());
    const int width = cell->maximumWidth() - kElideMargin;
    label->setText(metrics.elidedText(text, Qt::ElideRight, width));
}

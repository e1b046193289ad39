#include "FileListView.h"

#include <algorithm>
#include <cstdlib>

#include <QDir>
#include <QLocale>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QThreadPool>
#include <QTimer>

#include "CircleCheckTask.h"
#include "DialogHook.h"
#include "FileDialog.h"
#include "FileListItemView.h"
#include "FontStyle.h"
#include "RavlixPlayer.h"
#include "ScanDirTask.h"

static void initFileListResources() { Q_INIT_RESOURCE(fileListView); }

namespace {
const char* const kLastDirKey = "LAST_DIR_PATH";
const int kHeaderHeight = 28;
const int kRowHeight = 24;
const int kMinContentWidth = 455;
const int kMinColumnWidth = 80;
const int kBorderGrip = 5;
// The visible width of the rows less 10 px: a drag beyond it widens the scrolled area.
const int kVisibleEdge = 445;
const int kScrollBackEdge = 10;
// The lens circle is searched in the first frames of the first five files at most.
const int kCircleCandidates = 5;
// Rows built at once for a listing (more than any window shows); the rest are built once the
// circle search has ended, kRowBatch per event-loop turn.
const int kFirstRows = 48;
const int kRowBatch = 24;
}  // namespace

FileListView::FileListView(QWidget* parent)
    : QWidget(parent),
      rowTimer(new QTimer(this)),
      circleSearch([this](const QString& path) { return getVideoImage(path); }) {
    initFileListResources();
    ui.setupUi(this);
    rowTimer->setSingleShot(true);
    rowTimer->setInterval(0);
    const QFont font = FontStyle::font(ui.label->font(), 14, 13);
    for (QLabel* label : {ui.label, ui.label_2, ui.label_3}) label->setFont(font);
    trackMouse();
    for (QLabel* line : {ui.line, ui.line_2, ui.line_3}) line->hide();
    connectAll();
    ui.btnYouTube->hide();
}

FileListView::~FileListView() {
    rows.deleteAllObjsAndReset();
    delete fileDialog;
}

QString FileListView::settingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::DataLocation) + "/setting.ini";
}

void FileListView::trackMouse() {
    const QList<QWidget*> tracked = {this,
                                     ui.contentWidget,
                                     ui.scrollArea,
                                     ui.scrollAreaContents,
                                     ui.headerWidget,
                                     ui.widget_2,
                                     ui.widget_3,
                                     ui.widget_4,
                                     ui.label,
                                     ui.label_2,
                                     ui.label_3,
                                     ui.widget,
                                     ui.btnFile,
                                     ui.btnSave,
                                     ui.btnYouTube};
    for (QWidget* widget : tracked) widget->setMouseTracking(true);
}

void FileListView::connectAll() {
    connect(ui.scrollArea->verticalScrollBar(), SIGNAL(valueChanged(int)), this,
            SLOT(relayoutContent(int)));
    connect(ui.scrollArea->horizontalScrollBar(), SIGNAL(valueChanged(int)), this,
            SLOT(relayoutBackground(int)));
    connect(ui.btnFile, SIGNAL(clicked()), this, SLOT(btnFileClicked()));
    connect(ui.btnSave, SIGNAL(clicked()), this, SLOT(btnSaveClicked()));
    connect(ui.btnYouTube, SIGNAL(clicked()), this, SLOT(btnYouTubeClicked()));
    if (RavlixPlayer* player = RavlixPlayer::currentPlayer()) {
        connect(player, SIGNAL(sigVideoChanged()), this, SLOT(videoChanged()));
        connect(player, SIGNAL(sigOpenFailed(int)), this, SLOT(videoError(int)));
    }
    connect(this, SIGNAL(sigScanDirFinish(QString, QStringList)), this,
            SLOT(setFiles(QString, QStringList)), Qt::QueuedConnection);
    connect(rowTimer, SIGNAL(timeout()), this, SLOT(addRowBatch()));
    connect(&circleSearch, &LensCircleSearch::finished, this, &FileListView::endCircleChain);
}

void FileListView::init() {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    currentDir = settings.value(kLastDirKey, QString()).toString();
    if (!currentDir.isEmpty()) startScan(currentDir);
}

void FileListView::changeDir(QString dirPath) {
    if (!dirPath.isEmpty()) startScan(dirPath);
}

void FileListView::startScan(const QString& dirPath) {
    emit sigShowWaitingView();
    QThreadPool::globalInstance()->start(new ScanDirTask(this, dirPath));
}

void FileListView::setFiles(QString dirPath, QStringList videos) {
    // A folder gone since the scan (a card pulled) counts as holding nothing.
    if (videos.isEmpty() || !QDir(dirPath).exists()) {
        showNoVideos();
        return;
    }
    if (dirPath != currentDir) {
        currentDir = dirPath;
        QDir().mkpath(QFileInfo(settingsPath()).absolutePath());
        QSettings settings(settingsPath(), QSettings::IniFormat);
        settings.setValue(kLastDirKey, dirPath);
    }
    emit sigChangeDir();
    ui.bgWidget->move(0, 0);
    ui.headerWidget->setGeometry(0, 0, totalWidth, ui.headerWidget->height());
    ui.headerWidget->raise();
    rebuildRows(videos);
    ui.scrollAreaContents->resize(std::max(totalWidth, kMinContentWidth),
                                  kRowHeight * int(videos.size()) + kHeaderHeight);
    placeMarkers();
    ui.btnSave->setEnabled(false);
    ui.btnYouTube->setEnabled(false);
    QStringList candidates;
    for (const QString& name : videos.mid(0, kCircleCandidates))
        candidates << currentDir + "/" + name;
    circleSearch.start(candidates);
}

void FileListView::showNoVideos() {
    emit sigHideWaitingView();
    DialogHook::message(nullptr, QMessageBox::Warning, QString(), tr("No Valid Video files."),
                        QMessageBox::Ok);
}

void FileListView::rebuildRows(const QStringList& videos) {
    rows.deleteAllObjsAndReset();
    selected = nullptr;
    listing = videos;
    addRows(kFirstRows);
}

void FileListView::addRowBatch() {
    addRows(kRowBatch);
    if (int(rows.size()) < listing.size()) rowTimer->start();
}

void FileListView::addRows(int count) {
    const int end = std::min(int(listing.size()), int(rows.size()) + count);
    for (int i = int(rows.size()); i < end; ++i) {
        auto* row = new FileListItemView(ui.scrollAreaContents);
        row->setMouseTracking(true);
        connect(row, SIGNAL(sigViewSelect(FileListItemView*)), this,
                SLOT(changeSelectFile(FileListItemView*)));
        connect(row, SIGNAL(sigViewPlay()), this, SLOT(playSelectFile()));
        row->init(currentDir + "/" + listing[i]);
        row->setFixedWidth(totalWidth);
        row->resizeContent(col1, col2, col3);
        row->setGeometry(0, kHeaderHeight + kRowHeight * i, totalWidth, kRowHeight);
        row->show();
        rows.append(row);
    }
}

void FileListView::placeMarkers() {
    const int height = ui.scrollAreaContents->height();
    ui.line->setGeometry(col1, 0, ui.line->width(), height);
    ui.line_2->setGeometry(col1 + col2, 0, ui.line_2->width(), height);
    ui.line_3->setGeometry(totalWidth - ui.line_3->width(), 0, ui.line_3->width(), height);
}

QImage FileListView::getVideoImage(QString path) {
    return CircleCheckTask::firstFrameHalfSize(path);
}

void FileListView::endCircleChain(int result, int centerX, int centerY, int radius) {
    emit sigCircleChecked(result, centerX, centerY, radius);
    emit sigHideWaitingView();
    rowTimer->start();
}

void FileListView::changeSelectFile(FileListItemView* view) {
    if (view == selected) {
        emit sigCheckError();
        return;
    }
    selected = view;
    for (FileListItemView* row : rows) {
        if (row != view) row->setViewSelect(false);
    }
    scrollToRow(view);
    emit sigChangeFile(view->getPath());
}

void FileListView::scrollToRow(FileListItemView* row) {
    QScrollBar* vertical = ui.scrollArea->verticalScrollBar();
    const QScrollBar* horizontal = ui.scrollArea->horizontalScrollBar();
    const int v = vertical->value(), area = ui.scrollArea->height();
    const int hb = horizontal->minimum() < horizontal->maximum() ? horizontal->height() : 0;
    const int y = row->y();
    if (y < v + kHeaderHeight) {
        vertical->setValue(std::max(0, y - kHeaderHeight));
    } else if (v + area - hb < y + kRowHeight) {
        const int value = y + kRowHeight - area + hb;
        vertical->setValue(value < 1 ? 0 : value);
    }
}

void FileListView::changeNextFile() { stepSelection(1); }

void FileListView::changePrevFile() { stepSelection(-1); }

void FileListView::stepSelection(int step) {
    if (rows.empty() || !selected) return;
    const int count = int(rows.size());
    const int at = int(std::find(rows.begin(), rows.end(), selected) - rows.begin());
    FileListItemView* next = rows[(at + step + count) % count];
    next->setViewSelect(true);
    changeSelectFile(next);
}

void FileListView::playNextFile() {
    changeNextFile();
    emit sigPlayFile();
}

void FileListView::playSelectFile() { emit sigPlayFile(); }

void FileListView::btnFileClicked() {
    emit sigPauseFile();
    if (fileDialog) fileDialog->deleteLater();
    fileDialog = new FileDialog(currentDir, nullptr);
    connect(fileDialog, SIGNAL(sigChangeDir(QString)), this, SLOT(changeDir(QString)));
    connect(fileDialog, SIGNAL(sigCancel()), this, SLOT(hideFileDialog()));
    fileDialog->setWindowFlags(fileDialog->windowFlags() | Qt::WindowStaysOnTopHint);
    fileDialog->setWindowModality(Qt::ApplicationModal);
    fileDialog->show();
    // Centred on the main window, not at the screen's corner.
    const QRect around = window()->frameGeometry();
    fileDialog->move(around.center() - fileDialog->rect().center());
}

void FileListView::hideFileDialog() {
    if (!fileDialog) return;
    fileDialog->hide();
    fileDialog->deleteLater();
    fileDialog = nullptr;
}

void FileListView::btnSaveClicked() {
    emit sigPauseFile();
    RavlixPlayer* player = RavlixPlayer::currentPlayer();
    if (player && !player->getFilePath().isEmpty()) emit sigSaveFile();
}

void FileListView::btnYouTubeClicked() {
    emit sigPauseFile();
    RavlixPlayer* player = RavlixPlayer::currentPlayer();
    if (player && !player->getFilePath().isEmpty()) emit sigUploadFile();
}

void FileListView::videoChanged() {
    ui.btnSave->setEnabled(true);
    ui.btnYouTube->setEnabled(true);
}

void FileListView::videoError(int error) {
    Q_UNUSED(error);
    ui.btnSave->setEnabled(false);
    ui.btnYouTube->setEnabled(false);
}

void FileListView::relayoutContent(int value) {
    ui.bgWidget->move(ui.bgWidget->x(), value);
    ui.headerWidget->setGeometry(0, value, totalWidth, ui.headerWidget->height());
    ui.bgWidget->raise();
    ui.headerWidget->raise();
    for (QLabel* line : {ui.line, ui.line_2, ui.line_3}) line->raise();
}

void FileListView::relayoutBackground(int value) { ui.bgWidget->move(value, ui.bgWidget->y()); }

bool FileListView::inHeaderBand(const QPoint& pos) const {
    const int top = ui.headerWidget->y();
    return top < pos.y() && pos.y() < top + ui.headerWidget->height();
}

int FileListView::borderX(Border border) const {
    switch (border) {
        case FirstBorder:
            return col1;
        case SecondBorder:
            return col1 + col2;
        case RightEdge:
            return totalWidth - ui.line_3->width();
        case NoBorder:
            break;
    }
    return -1;
}

FileListView::Border FileListView::borderAt(const QPoint& pos) const {
    if (!inHeaderBand(pos)) return NoBorder;
    for (Border border : {FirstBorder, SecondBorder, RightEdge}) {
        if (std::abs(pos.x() - borderX(border)) <= kBorderGrip) return border;
    }
    return NoBorder;
}

QLabel* FileListView::marker(Border border) const {
    switch (border) {
        case FirstBorder:
            return ui.line;
        case SecondBorder:
            return ui.line_2;
        case RightEdge:
            return ui.line_3;
        case NoBorder:
            break;
    }
    return nullptr;
}

void FileListView::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = ui.scrollAreaContents->mapFrom(this, event->pos());
    const Border border = borderAt(pos);
    if (border == NoBorder) return;
    dragFirst = border == FirstBorder;
    dragSecond = border == SecondBorder;
    dragRight = border == RightEdge;
    setCursor(Qt::SplitHCursor);
    marker(border)->show();
    marker(border)->raise();
}

void FileListView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = ui.scrollAreaContents->mapFrom(this, event->pos());
    if (!dragFirst && !dragSecond && !dragRight) {
        setCursor(borderAt(pos) != NoBorder ? Qt::SplitHCursor : Qt::ArrowCursor);
        return;
    }
    dragTo(pos.x());
}

void FileListView::setContentWidth(int width) {
    ui.scrollAreaContents->resize(width, ui.scrollAreaContents->height());
}

void FileListView::dragTo(int px) {
    QScrollBar* horizontal = ui.scrollArea->horizontalScrollBar();
    if (dragFirst) {
        const int h = std::max(px, kMinColumnWidth);
        if (h > horizontal->value() + kVisibleEdge)
            setContentWidth(std::max(px, kMinContentWidth) + col2 + col3);
        ui.line->move(h, 0);
    } else if (dragSecond) {
        const int h = std::max(px, col1 + kMinColumnWidth);
        if (h > horizontal->value() + kVisibleEdge)
            setContentWidth(std::max(h, kMinContentWidth) + col3);
        ui.line_2->move(h, 0);
    } else if (dragRight) {
        const int h = std::max(px, col1 + col2 + kMinColumnWidth);
        const int w3 = ui.line_3->width();
        if (h < horizontal->value() + kScrollBackEdge) {
            setContentWidth(std::max(h + w3, kMinContentWidth));
            horizontal->setValue(horizontal->maximum());
        }
        if (h > horizontal->value() + kVisibleEdge) {
            setContentWidth(std::max(h + w3, kMinContentWidth));
            horizontal->setValue(horizontal->maximum());
        }
        ui.line_3->move(h, 0);
    }
}

void FileListView::mouseReleaseEvent(QMouseEvent* event) {
    const Border border = dragFirst    ? FirstBorder
                          : dragSecond ? SecondBorder
                          : dragRight  ? RightEdge
                                       : NoBorder;
    if (border == NoBorder) return;
    const QPoint pos = ui.scrollAreaContents->mapFrom(this, event->pos());
    const bool nearOld = inHeaderBand(pos) && std::abs(pos.x() - borderX(border)) <= kBorderGrip;
    dragFirst = dragSecond = dragRight = false;
    setCursor(nearOld ? Qt::SplitHCursor : Qt::ArrowCursor);
    marker(border)->hide();
    if (border == FirstBorder) {
        col1 = ui.line->x();
    } else if (border == SecondBorder) {
        col2 = ui.line_2->x() - col1;
    } else {
        col3 = ui.line_3->x() + ui.line_3->width() - col1 - col2;
    }
    resizeContent();
}

void FileListView::resizeContent() {
    totalWidth = col1 + col2 + col3;
    ui.headerWidget->setFixedWidth(totalWidth);
    ui.widget_2->setFixedWidth(col1);
    ui.widget_3->setFixedWidth(col2);
    ui.widget_4->setFixedWidth(col3);
    for (FileListItemView* row : rows) {
        row->setFixedWidth(totalWidth);
        row->resizeContent(col1, col2, col3);
    }
    setContentWidth(std::max(totalWidth, kMinContentWidth));
    placeMarkers();
    if (selected) scrollToRow(selected);
}

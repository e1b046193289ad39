#include "FileListView.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QThreadPool>
#include <QTimer>

#include "DialogHook.h"
#include "EmbeddedResource.h"
#include "FileDialog.h"
#include "FileListHeader.h"
#include "FileListItemView.h"
#include "FirstFrameReader.h"
#include "FontStyle.h"
#include "RavlixPlayer.h"
#include "ScanDirTask.h"

static void initFileListResources() { RV_INIT_RESOURCE_ONCE(fileListView); }

namespace {
const char* const kLastDirKey = "LAST_DIR_PATH";
const int kHeaderHeight = 28;
const int kRowHeight = 24;
const int kMinContentWidth = 455;
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
    ui.headerWidget->attach(this, ui.scrollArea, {ui.widget_2, ui.widget_3, ui.widget_4},
                            {ui.line, ui.line_2, ui.line_3});
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
    connect(ui.headerWidget, &FileListHeader::columnsResized, this, &FileListView::resizeContent);
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
    ui.headerWidget->setGeometry(0, 0, ui.headerWidget->totalWidth(), ui.headerWidget->height());
    ui.headerWidget->raise();
    rebuildRows(videos);
    ui.scrollAreaContents->resize(std::max(ui.headerWidget->totalWidth(), kMinContentWidth),
                                  kRowHeight * int(videos.size()) + kHeaderHeight);
    ui.headerWidget->placeMarkers();
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
        sizeRow(row);
        row->setGeometry(0, kHeaderHeight + kRowHeight * i, ui.headerWidget->totalWidth(),
                         kRowHeight);
        row->show();
        rows.append(row);
    }
}

QImage FileListView::getVideoImage(QString path) { return FirstFrameReader::halfSize(path); }

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
    if (!QFileInfo::exists(view->getPath())) {
        dropRow(view);
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
    FileListItemView* next = nullptr;
    do {
        if (next) dropRow(next);
        const int count = int(rows.size());
        const int at = int(std::find(rows.begin(), rows.end(), selected) - rows.begin());
        next = rows[(at + step + count) % count];
    } while (next != selected && !QFileInfo::exists(next->getPath()));
    next->setViewSelect(true);
    changeSelectFile(next);
}

void FileListView::dropRow(FileListItemView* row) {
    const auto at = std::find(rows.begin(), rows.end(), row);
    const int index = int(at - rows.begin());
    rows.erase(at);
    listing.removeAt(index);
    row->hide();
    row->deleteLater();  // it may be pressed: its press handler runs on after the selection
    for (int i = index; i < int(rows.size()); ++i) rows[i]->move(0, kHeaderHeight + kRowHeight * i);
    ui.scrollAreaContents->resize(ui.scrollAreaContents->width(),
                                  kRowHeight * int(listing.size()) + kHeaderHeight);
    ui.headerWidget->placeMarkers();
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
    Q_UNUSED(error);  // any failure disables both: the code does not matter here
    ui.btnSave->setEnabled(false);
    ui.btnYouTube->setEnabled(false);
}

void FileListView::relayoutContent(int value) {
    ui.bgWidget->move(ui.bgWidget->x(), value);
    ui.headerWidget->setGeometry(0, value, ui.headerWidget->totalWidth(),
                                 ui.headerWidget->height());
    ui.bgWidget->raise();
    ui.headerWidget->raise();
    for (QLabel* line : {ui.line, ui.line_2, ui.line_3}) line->raise();
}

void FileListView::relayoutBackground(int value) { ui.bgWidget->move(value, ui.bgWidget->y()); }

void FileListView::resizeContent() {
    ui.headerWidget->applyWidths();
    for (FileListItemView* row : rows) sizeRow(row);
    ui.scrollAreaContents->resize(std::max(ui.headerWidget->totalWidth(), kMinContentWidth),
                                  ui.scrollAreaContents->height());
    ui.headerWidget->placeMarkers();
    if (selected) scrollToRow(selected);
}

void FileListView::sizeRow(FileListItemView* row) {
    row->setFixedWidth(ui.headerWidget->totalWidth());
    row->resizeContent(ui.headerWidget->nameWidth(), ui.headerWidget->durationWidth(),
                       ui.headerWidget->dateWidth());
}

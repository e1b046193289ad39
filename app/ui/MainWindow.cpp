#include "MainWindow.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>

#include "ConversionDialog.h"
#include "DialogHook.h"
#include "EncodeManager.h"
#include "FileListView.h"
#include "FontStyle.h"
#include "InfoView.h"
#include "InformationDialog.h"
#include "MainWindowResources.h"
#include "MapView.h"
#include "ModeView.h"
#include "PlayerView.h"
#include "RavlixPlayer.h"
#include "UploadDialog.h"
#include "WaitingView.h"
#include "YoutubeUploadManager.h"

namespace {

void dropOverlay(QWidget* overlay) {
    if (!overlay) return;
    overlay->hide();
    overlay->deleteLater();
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    MainWindowResources::init();
    setupUi(this);
    setupFileNameFont();
    RavlixPlayer::newPlayer(this);
    EncodeManager::instance()->init();
    YoutubeUploadManager::instance();
    createViews();
    connectViews();
    qApp->installEventFilter(this);
    fileListView->init();
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    EncodeManager::instance()->stopTrials();
}

void MainWindow::setupFileNameFont() {
    lblFileName->setFont(FontStyle::font(lblFileName->font(), 18, 15));
}

void MainWindow::createViews() {
    fileListView = new FileListView(fileListHolder);
    infoView = new InfoView(infoHolder);
    mapView = new MapView(mapHolder);
    modeView = new ModeView(modeHolder);
    playerView = new PlayerView(playerHolder);
    fileListLayout->addWidget(fileListView);
    infoLayout->addWidget(infoView);
    mapLayout->addWidget(mapView);
    modeLayout->addWidget(modeView);
    playerLayout->addWidget(playerView);
}

void MainWindow::connectViews() {
    connect(fileListView, SIGNAL(sigChangeDir()), this, SLOT(changeDir()));
    connect(fileListView, SIGNAL(sigChangeFile(QString)), this, SLOT(changeFile(QString)));
    connect(fileListView, SIGNAL(sigCircleChecked(int, int, int, int)), playerView,
            SLOT(setCircleInfo(int, int, int, int)));
    connect(fileListView, SIGNAL(sigCheckError()), playerView, SLOT(checkFileError()));
    connect(fileListView, SIGNAL(sigPlayFile()), playerView, SLOT(play()));
    connect(fileListView, SIGNAL(sigPauseFile()), playerView, SLOT(pause()));
    connect(fileListView, SIGNAL(sigSaveFile()), this, SLOT(showConversionDlg()));
    connect(fileListView, SIGNAL(sigUploadFile()), this, SLOT(showUploadDlg()));
    connect(fileListView, SIGNAL(sigShowWaitingView()), this, SLOT(showWaitingView()));
    connect(fileListView, SIGNAL(sigHideWaitingView()), this, SLOT(hideWaitingView()));
    connect(modeView, SIGNAL(sigModeChange(PLAYBACK_MODE)), playerView,
            SLOT(setPlaybackMode(PLAYBACK_MODE)));
    connect(playerView, SIGNAL(sigPrevFile()), fileListView, SLOT(changePrevFile()));
    connect(playerView, SIGNAL(sigNextFile()), fileListView, SLOT(changeNextFile()));
    connect(playerView, SIGNAL(sigPlayNextFile()), fileListView, SLOT(playNextFile()));
    connect(playerView, SIGNAL(sigShowFullScreen()), this, SLOT(toFullScreen()));
    connect(playerView, SIGNAL(sigShowNormalScreen()), this, SLOT(toNormalScreen()));
    connect(btnInfo, SIGNAL(clicked()), this, SLOT(btnInfoClicked()));
}

void MainWindow::btnInfoClicked() {
    playerView->pause();
    showInformationDlg();
}

void MainWindow::changeDir() {
    lblFileName->clear();
    playerView->resetPlayer();
    infoView->resetTripData();
    mapView->resetRoute();
}

void MainWindow::changeFile(QString path) {
    RavlixPlayer::currentPlayer()->open(path);
    lblFileName->setText(QFileInfo(path).fileName());
}

void MainWindow::toFullScreen() {
    stackedWidget->setCurrentIndex(1);
    playerLayout->removeWidget(playerView);
    fullPlayerLayout->addWidget(playerView);
    savedWindowState = windowStateBits;
    showFullScreen();
    btnInfo->hide();
}

void MainWindow::toNormalScreen() {
    stackedWidget->setCurrentIndex(0);
    fullPlayerLayout->removeWidget(playerView);
    playerLayout->addWidget(playerView);
    if (savedWindowState == Qt::WindowMaximized)
        showMaximized();
    else if (savedWindowState == Qt::WindowFullScreen)
        showFullScreen();
    else
        showNormal();
    btnInfo->show();
}

void MainWindow::showInformationDlg() {
    dropOverlay(informationDlg);
    informationDlg = new InformationDialog(this);
    connect(informationDlg, SIGNAL(sigOk()), this, SLOT(hideInformationDlg()));
    placeOverlay(informationDlg);
}

void MainWindow::hideInformationDlg() {
    dropOverlay(informationDlg);
    informationDlg = nullptr;
}

void MainWindow::placeOverlay(QWidget* overlay) {
    overlay->setGeometry(0, 0, width(), height());
    overlay->show();
}

bool MainWindow::conversionSupported() {
    if (EncodeManager::instance()->getIs2160x1080Enable()) return true;
    DialogHook::message(nullptr, QMessageBox::Warning, QString(),
                        tr("This computer can't support the min 2160x1080 resolution 360 video "
                           "format conversion."),
                        QMessageBox::Ok);
    return false;
}

void MainWindow::showConversionDlg() {
    if (!conversionSupported()) return;
    dropOverlay(conversionDlg);
    conversionDlg = new ConversionDialog(this, &conversions);
    connect(conversionDlg, SIGNAL(sigCancel()), this, SLOT(hideConversionDlg()));
    placeOverlay(conversionDlg);
}

void MainWindow::hideConversionDlg() {
    dropOverlay(conversionDlg);
    conversionDlg = nullptr;
}

void MainWindow::showWaitingView() {
    if (!waitingView) waitingView = new WaitingView(this);
    waitingView->show();
}

void MainWindow::hideWaitingView() {
    dropOverlay(waitingView);
    waitingView = nullptr;
}

void MainWindow::showUploadDlg() {
    if (!conversionSupported()) return;
    dropOverlay(uploadDlg);
    uploadDlg = new UploadDialog(&conversions, this);
    connect(uploadDlg, SIGNAL(sigCancel()), this, SLOT(hideUploadDlg()));
    placeOverlay(uploadDlg);
}

void MainWindow::hideUploadDlg() {
    dropOverlay(uploadDlg);
    uploadDlg = nullptr;
}

bool MainWindow::anyOverlayOpen() const {
    return informationDlg || conversionDlg || waitingView || uploadDlg;
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    for (QWidget* overlay : {(QWidget*)informationDlg, (QWidget*)conversionDlg,
                             (QWidget*)waitingView, (QWidget*)uploadDlg}) {
        if (overlay) overlay->setGeometry(0, 0, width(), height());
    }
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) windowStateBits = int(windowState());
    QMainWindow::changeEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // While a message box is open (a broken file's warning) no key changes the file, so a
    // step through broken files cannot stack one warning on another.
    if (!anyOverlayOpen() && !qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) &&
        event->type() == QEvent::KeyPress && watched->qt_metacast("QWidgetWindow")) {
        int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Down)
            fileListView->changeNextFile();
        else if (key == Qt::Key_Up)
            fileListView->changePrevFile();
    }
    return QMainWindow::eventFilter(watched, event);
}

#include "UploadDialog.h"

#include <QFileInfo>
#include <QGraphicsDropShadowEffect>
#include <QTimer>

#include "ConversionJob.h"
#include "ConversionQueue.h"
#include "ConvertedFileSaver.h"
#include "DialogHook.h"
#include "EmbeddedResource.h"
#include "EncodeManager.h"
#include "FontStyle.h"
#include "RavlixPlayer.h"
#include "YoutubeUploadManager.h"

static void initUploadResources() { RV_INIT_RESOURCE_ONCE(youtube); }

namespace {

const char* const kRedSmall = ":/image/fileListView/icon_btn_small_red.png";
const char* const kGraySmall = ":/image/fileListView/icon_btn_small_gray.png";

enum Page { PAGE_LOGIN = 0, PAGE_START = 1, PAGE_PROGRESS = 2, PAGE_DONE = 3 };

QString currentFile() {
    RavlixPlayer* player = RavlixPlayer::currentPlayer();
    return player ? player->getFilePath() : QString();
}

void setFontPixels(QWidget* widget, int western, int japanese) {
    widget->setFont(FontStyle::font(widget->font(), western, japanese));
}

void warn(const QString& text) {
    DialogHook::message(nullptr, QMessageBox::Warning, QString(), text, QMessageBox::Ok);
}

}  // namespace

QSize UploadDialog::largestSize(bool allows3840, bool allows2880) {
    if (allows3840) return QSize(3840, 1920);
    return allows2880 ? QSize(2880, 1440) : QSize(2160, 1080);
}

QSize UploadDialog::outputSize() {
    const EncodeManager* probe = EncodeManager::instance();
    return largestSize(probe->getIs3840x1920Enable(), probe->getIs2880x1440Enable());
}

UploadDialog::UploadDialog(ConversionQueue* conversions, QWidget* parent)
    : QWidget(parent), manager(YoutubeUploadManager::instance()), conversions(conversions) {
    initUploadResources();
    setupUi(this);
    setupFont();
    leTitle->setAttribute(Qt::WA_MacShowFocusRect, false);
    leTitle->setTextMargins(2, 0, 0, 0);
    leTitle->setText(QFileInfo(currentFile()).baseName());
    targetPath = ConversionQueue::temporaryTarget();
    connectSignals();
    auto* shadow = new QGraphicsDropShadowEffect(widget);
    shadow->setBlurRadius(40);
    shadow->setColor(Qt::black);
    shadow->setOffset(0, 0);
    widget->setGraphicsEffect(shadow);
    setInputsEnabled(false);
    switchWidget->hide();
    saveWidget->hide();
    stackedWidget->setCurrentIndex(PAGE_LOGIN);
    if (manager->getIsLogin()) QTimer::singleShot(100, this, SLOT(loginSuccess()));
}

UploadDialog::~UploadDialog() {
    if (job) job->cancel();
}

void UploadDialog::setupFont() {
    setFontPixels(label, 20, 17);
    for (QWidget* w : std::initializer_list<QWidget*>{label_2, lblAccount, label_7, leTitle,
                                                      btnPublic, btnUnlisted, btnPrivate})
        setFontPixels(w, 20, 15);
    setFontPixels(btnSwitch, 13, 10);
    for (QWidget* w :
         std::initializer_list<QWidget*>{btnLogin, btnStart, lblProgressText, btnDone, btnSave})
        setFontPixels(w, 17, 15);
}

void UploadDialog::connectSignals() {
    connect(manager, &YoutubeUploadManager::sigLogin, this, &UploadDialog::loginSuccess);
    connect(manager, &YoutubeUploadManager::sigUploadProgress, this, &UploadDialog::uploadProgress);
    connect(manager, &YoutubeUploadManager::sigUploadResult, this, &UploadDialog::uploadResult);
    connect(btnCancel, &QPushButton::clicked, this, &UploadDialog::cancelClicked);
    connect(btnLogin, &QPushButton::clicked, this, &UploadDialog::loginClicked);
    connect(btnStart, &QPushButton::clicked, this, &UploadDialog::startClicked);
    connect(btnDone, &QPushButton::clicked, this, &UploadDialog::doneClicked);
    connect(btnSwitch, &QPushButton::clicked, this, &UploadDialog::switchClicked);
    connect(btnSave, &QPushButton::clicked, this, &UploadDialog::saveClicked);
}

void UploadDialog::setInputsEnabled(bool enabled) {
    leTitle->setEnabled(enabled);
    btnPublic->setEnabled(enabled);
    btnUnlisted->setEnabled(enabled);
    btnPrivate->setEnabled(enabled);
}

void UploadDialog::loginClicked() { manager->login(); }

void UploadDialog::loginSuccess() {
    // A sign-in arriving during a job must not reopen START on the same temporary file.
    if (busy) return;
    lblAccount->setText(lblAccount->fontMetrics().elidedText(manager->getID(), Qt::ElideRight,
                                                             lblAccount->width()));
    setInputsEnabled(true);
    btnSwitch->setEnabled(true);
    switchWidget->show();
    lblSwitch->setPixmap(QPixmap(kRedSmall));
    stackedWidget->setCurrentIndex(PAGE_START);
}

void UploadDialog::switchClicked() {
    lblAccount->setText("None");
    setInputsEnabled(false);
    switchWidget->hide();
    stackedWidget->setCurrentIndex(PAGE_LOGIN);
    manager->logout();
    manager->login();
}

void UploadDialog::startClicked() {
    busy = true;
    leTitle->setEnabled(false);
    for (QAbstractButton* button : buttonGroup->buttons()) button->setEnabled(button->isChecked());
    btnSwitch->setEnabled(false);
    lblSwitch->setPixmap(QPixmap(kGraySmall));
    stackedWidget->setCurrentIndex(PAGE_PROGRESS);
    job = conversions->add(currentFile(), targetPath, outputSize());
    connect(job, &ConversionJob::progressUpdated, this, &UploadDialog::onVideoGenProgressUpdate);
    connect(job, &ConversionJob::finished, this, &UploadDialog::onVideoGenerationFinished);
    connect(job, &ConversionJob::failed, this, &UploadDialog::onVideoGenerationFailed);
}

void UploadDialog::setProgress(int width, int percent) {
    lblProgress->setGeometry(0, 0, width, lblProgress->height());
    lblProgressText->setText(QString::number(percent) + "%");
}

void UploadDialog::onVideoGenProgressUpdate(float totalProgress, float, int, int) {
    const int span = lblProgress->maximumWidth() - lblProgress->minimumWidth();
    setProgress(lblProgress->minimumWidth() + int(int(span * 0.8) * totalProgress),
                int(totalProgress * 80));
}

void UploadDialog::uploadProgress(qlonglong uploaded, qlonglong total) {
    const int min = lblProgress->minimumWidth();
    const int span = lblProgress->maximumWidth() - min;
    const float f = float(uploaded) / float(total);
    setProgress(int(int(0.2 * span) * f) + int(span * 0.8 + min), int(f * 20 + 80));
}

YT_VIDEO_PRIVACY UploadDialog::checkedPrivacy() const {
    if (btnPublic->isChecked()) return YT_PUBLIC;
    return btnUnlisted->isChecked() ? YT_UNLISTED : YT_PRIVATE;
}

void UploadDialog::onVideoGenerationFinished(QString filePath) {
    convertedPath = filePath;
    job = nullptr;
    YTVideoInfo info;
    info.filePath = filePath;
    info.title = leTitle->text();
    info.privacy = checkedPrivacy();
    manager->uploadVideo(info);
}

void UploadDialog::backToStart(const QString& warning) {
    busy = false;
    warn(warning);
    setInputsEnabled(true);
    btnSwitch->setEnabled(true);
    lblSwitch->setPixmap(QPixmap(kRedSmall));
    stackedWidget->setCurrentIndex(PAGE_START);
}

// The code is not shown: one message for every failure.
void UploadDialog::onVideoGenerationFailed(int) {
    job = nullptr;
    backToStart(tr("Conversion fail!"));
}

// The service's message is not shown, only that the upload failed.
void UploadDialog::uploadResult(int result, QString) {
    if (result != 0) {
        backToStart(tr("Upload to Youtube fail!"));
        return;
    }
    busy = false;
    switchWidget->hide();
    saveWidget->show();
    btnSave->setEnabled(true);
    stackedWidget->setCurrentIndex(PAGE_DONE);
}

void UploadDialog::saveClicked() {
    const QString chosen = DialogHook::saveFileName(
        this, tr("Save to file"), ConvertedFileSaver::suggestedFile(currentFile()),
        tr("360 Video (*.mp4)"));
    if (chosen.isEmpty()) return;
    const ConvertedFileSaver::Result result = ConvertedFileSaver::save(convertedPath, chosen);
    if (result == ConvertedFileSaver::Saved)
        btnSave->setEnabled(false);
    else if (result == ConvertedFileSaver::Failed)
        warn(tr("Save fail!"));
}

void UploadDialog::doneClicked() { emit sigCancel(); }

void UploadDialog::cancelClicked() {
    // A cancelled job reports nothing more, also when it still saves its file: no SAVE page.
    if (job) job->cancel();
    job = nullptr;
    emit sigCancel();
}

void UploadDialog::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int W = width(), H = height();
    const int w = widget->width(), h = widget->height(), c = btnCancel->width();
    bgView->setGeometry(0, 0, W, H);
    widget->move((W - w) / 2, (H - h) / 2);
    btnCancel->move((W + w - c) / 2, (H - h - c) / 2);
}

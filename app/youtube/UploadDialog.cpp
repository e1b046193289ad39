#include "UploadDialog.h"

#include <QFileInfo>
#include <QGraphicsDropShadowEffect>
#include <QLocale>
#include <QTimer>

#include "CircleCheckTask.h"
#include "CircleInfo.h"
#include "ConversionDialog.h"
#include "ConversionViewResources.h"
#include "ConvertedFileSaver.h"
#include "DialogHook.h"
#include "EncodeManager.h"
#include "FontStyle.h"
#include "RavlixPlayer.h"
#include "VideoSimple360Generator.h"
#include "YoutubeUploadManager.h"

static void initUploadResources() { Q_INIT_RESOURCE(youtube); }

namespace {

const char* const kRedSmall = ":/image/fileListView/icon_btn_small_red.png";
const char* const kGraySmall = ":/image/fileListView/icon_btn_small_gray.png";

enum Page { PAGE_LOGIN = 0, PAGE_START = 1, PAGE_PROGRESS = 2, PAGE_DONE = 3 };

QString currentFile() {
    RavlixPlayer* player = RavlixPlayer::currentPlayer();
    return player ? player->getFilePath() : QString();
}

void setFontPixels(QWidget* widget, int western, int japanese) {
    QFont font = widget->font();
    font.setFamily(FontStyle::getFontFamily());
    font.setPixelSize(QLocale::system().name() == "ja_JP" ? japanese : western);
    widget->setFont(font);
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

UploadDialog::UploadDialog(QWidget* parent)
    : QWidget(parent), manager(YoutubeUploadManager::instance()) {
    ConversionViewResources::init();
    initUploadResources();
    setupUi(this);
    setupFont();
    leTitle->setAttribute(Qt::WA_MacShowFocusRect, false);
    leTitle->setTextMargins(2, 0, 0, 0);
    leTitle->setText(QFileInfo(currentFile()).baseName());
    targetPath = ConversionDialog::temporaryTarget();
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
    if (generator) generator->cancelGeneration();
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
    connect(manager, SIGNAL(sigLogin()), this, SLOT(loginSuccess()));
    connect(manager, SIGNAL(sigUploadProgress(qint64, qint64)), this,
            SLOT(uploadProgress(qlonglong, qlonglong)));
    connect(manager, SIGNAL(sigUploadResult(int, QString)), this, SLOT(uploadResult(int, QString)));
    connect(btnCancel, SIGNAL(clicked()), this, SLOT(cancelClicked()));
    connect(btnLogin, SIGNAL(clicked()), this, SLOT(loginClicked()));
    connect(btnStart, SIGNAL(clicked()), this, SLOT(startClicked()));
    connect(btnDone, SIGNAL(clicked()), this, SLOT(doneClicked()));
    connect(btnSwitch, SIGNAL(clicked()), this, SLOT(switchClicked()));
    connect(btnSave, SIGNAL(clicked()), this, SLOT(saveClicked()));
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
    const QImage frame = CircleCheckTask::firstFrameHalfSize(currentFile());
    if (frame.isNull()) {
        doConversion(-1, -1, -1);
        return;
    }
    auto* task = new CircleCheckTask(frame.copy());
    connect(task, SIGNAL(finished()), this, SLOT(checkCircleDone()));
    connect(task, SIGNAL(finished()), task, SLOT(deleteLater()));
    task->start(QThread::InheritPriority);
}

void UploadDialog::checkCircleDone() {
    auto* task = qobject_cast<CircleCheckTask*>(sender());
    if (!task) return;
    const QImage image = task->getImage();
    CircleInfo full;
    if (CircleInfo::toFullFrame(task->getResult(), image.width(), image.height(), &full) == 0)
        doConversion(full.centerX, full.centerY, full.radius);
    else
        doConversion(-1, -1, -1);
}

void UploadDialog::doConversion(int cx, int cy, int r) {
    const QSize size = outputSize();
    generator = VideoSimple360Generator::genPanoramaVideo(currentFile(), targetPath, size.width(),
                                                          size.height(), cx, cy, r, -1.0, -1.0);
    connect(generator, SIGNAL(videoGenProgressUpdate(float, float, int, int)), this,
            SLOT(onVideoGenProgressUpdate(float, float, int, int)));
    connect(generator, SIGNAL(videoGenerationFinished(QString)), this,
            SLOT(onVideoGenerationFinished(QString)));
    connect(generator, SIGNAL(videoGenerationFailed(int)), this,
            SLOT(onVideoGenerationFailed(int)));
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
    generator = nullptr;
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

void UploadDialog::onVideoGenerationFailed(int) {
    generator = nullptr;
    backToStart("Conversion fail!");
}

void UploadDialog::uploadResult(int result, QString) {
    if (result != 0) {
        backToStart("Upload to Youtube fail!");
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
    if (generator) generator->cancelGeneration();
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

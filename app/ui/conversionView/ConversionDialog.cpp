#include "ConversionDialog.h"

#include <QFile>
#include <QGraphicsDropShadowEffect>
#include <QResizeEvent>

#include "ConversionJob.h"
#include "ConversionQueue.h"
#include "ConversionViewResources.h"
#include "ConvertedFileSaver.h"
#include "DialogHook.h"
#include "EncodeManager.h"
#include "FontStyle.h"
#include "RavlixPlayer.h"

namespace {

enum Page { PageStart = 0, PageProgress = 1, PageSave = 2 };

// Close button inset from the panel's top-right corner.
const int kCloseInset = 7;

void setPixelFont(QWidget* widget, int pixelSize, int japanesePixelSize) {
    widget->setFont(FontStyle::font(widget->font(), pixelSize, japanesePixelSize));
}

}  // namespace

ConversionDialog::ConversionDialog(QWidget* parent, ConversionQueue* conversions)
    : QWidget(parent), conversions(conversions) {
    ConversionViewResources::init();
    setupUi(this);
    setupFont();
    auto* shadow = new QGraphicsDropShadowEffect(widget);
    shadow->setBlurRadius(40);
    shadow->setColor(QColor(0, 0, 0, 255));
    shadow->setOffset(0, 0);
    widget->setGraphicsEffect(shadow);
    tempTarget = ConversionQueue::temporaryTarget();
    EncodeManager* probe = EncodeManager::instance();
    btn3840->setEnabled(probe->getIs3840x1920Enable());
    btn2880->setEnabled(probe->getIs2880x1440Enable());
    btn2160->setEnabled(probe->getIs2160x1080Enable());
    connect(btnCancel, &QPushButton::clicked, this, &ConversionDialog::cancelClicked);
    connect(btnStart, &QPushButton::clicked, this, &ConversionDialog::startConversion);
    connect(btnSave, &QPushButton::clicked, this, &ConversionDialog::saveVideo);
}

ConversionDialog::~ConversionDialog() {
    if (job) job->cancel();
}

void ConversionDialog::setupFont() {
    setPixelFont(label, 20, 18);
    for (QWidget* text : {(QWidget*)btnStart, (QWidget*)lblProgressText, (QWidget*)btnSave})
        setPixelFont(text, 17, 15);
}

void ConversionDialog::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    bgView->setGeometry(rect());
    widget->move((width() - widget->width()) / 2, (height() - widget->height()) / 2);
    btnCancel->move(widget->geometry().right() - btnCancel->width() - kCloseInset + 1,
                    widget->y() + kCloseInset);
    btnCancel->raise();
}

void ConversionDialog::cancelClicked() {
    // A cancelled job reports nothing more, also when it still saves its file: no SAVE page.
    if (job) job->cancel();
    job = nullptr;
    emit sigCancel();
}

void ConversionDialog::startConversion() {
    stackedWidget->setCurrentIndex(PageProgress);
    for (QAbstractButton* button : buttonGroup->buttons()) button->setEnabled(button->isChecked());
    job = conversions->add(RavlixPlayer::currentPlayer()->getFilePath(), tempTarget, checkedSize());
    connect(job, &ConversionJob::progressUpdated, this,
            &ConversionDialog::onVideoGenProgressUpdate);
    connect(job, &ConversionJob::finished, this, &ConversionDialog::onVideoGenerationFinished);
    connect(job, &ConversionJob::failed, this, &ConversionDialog::onVideoGenerationFailed);
}

QSize ConversionDialog::checkedSize() const {
    if (btn2160->isChecked()) return QSize(2160, 1080);
    if (btn2880->isChecked()) return QSize(2880, 1440);
    return QSize(3840, 1920);
}

void ConversionDialog::onVideoGenProgressUpdate(float totalProgress, float, int, int) {
    const int minimum = lblProgress->minimumWidth();
    const int maximum = lblProgress->maximumWidth();
    lblProgress->setGeometry(0, 0, minimum + int((maximum - minimum) * totalProgress),
                             lblProgress->height());
    lblProgressText->setText(QString::number(int(totalProgress * 100)) + "%");
}

void ConversionDialog::onVideoGenerationFinished(QString filePath) {
    job = nullptr;
    convertedPath = filePath;
    stackedWidget->setCurrentIndex(PageSave);
}

// The code is not shown: one message for every failure.
void ConversionDialog::onVideoGenerationFailed(int) {
    job = nullptr;
    DialogHook::message(this, QMessageBox::Warning, QString(), tr("Conversion fail!"),
                        QMessageBox::Ok);
    emit sigCancel();
}

void ConversionDialog::saveVideo() {
    // Nothing converted, or already saved and removed.
    if (convertedPath.isEmpty() || !QFile::exists(convertedPath)) return;
    const QString target = DialogHook::saveFileName(
        this, tr("Save to file"),
        ConvertedFileSaver::suggestedFile(RavlixPlayer::currentPlayer()->getFilePath()),
        tr("360 Video (*.mp4)"));
    if (target.isEmpty()) return;
    const ConvertedFileSaver::Result result = ConvertedFileSaver::save(convertedPath, target);
    if (result == ConvertedFileSaver::Failed)
        DialogHook::message(this, QMessageBox::Warning, QString(), tr("Save to file failed!"),
                            QMessageBox::Ok);
    if (result != ConvertedFileSaver::Saved) return;
    convertedPath.clear();
    emit sigCancel();
}

#include "ConversionDialog.h"

#include <QFile>
#include <QGraphicsDropShadowEffect>
#include <QResizeEvent>
#include <QStandardPaths>

#include "CircleCheckTask.h"
#include "ConversionViewResources.h"
#include "ConvertedFileSaver.h"
#include "DialogHook.h"
#include "EncodeManager.h"
#include "FontStyle.h"
#include "PanoramaConversion.h"
#include "RavlixPlayer.h"
#include "VideoSimple360Generator.h"

namespace {

enum Page { PageStart = 0, PageProgress = 1, PageSave = 2 };

// Close button inset from the panel's top-right corner.
const int kCloseInset = 7;

QString dataLocation() { return QStandardPaths::writableLocation(QStandardPaths::DataLocation); }

void setPixelFont(QWidget* widget, int pixelSize, int japanesePixelSize) {
    widget->setFont(FontStyle::font(widget->font(), pixelSize, japanesePixelSize));
}

}  // namespace

ConversionDialog::ConversionDialog(QWidget* parent) : QWidget(parent) {
    ConversionViewResources::init();
    setupUi(this);
    setupFont();
    auto* shadow = new QGraphicsDropShadowEffect(widget);
    shadow->setBlurRadius(40);
    shadow->setColor(QColor(0, 0, 0, 255));
    shadow->setOffset(0, 0);
    widget->setGraphicsEffect(shadow);
    tempTarget = temporaryTarget();
    EncodeManager* probe = EncodeManager::instance();
    btn3840->setEnabled(probe->getIs3840x1920Enable());
    btn2880->setEnabled(probe->getIs2880x1440Enable());
    btn2160->setEnabled(probe->getIs2160x1080Enable());
    connect(btnCancel, SIGNAL(clicked()), this, SLOT(cancelClicked()));
    connect(btnStart, SIGNAL(clicked()), this, SLOT(startConversion()));
    connect(btnSave, SIGNAL(clicked()), this, SLOT(saveVideo()));
}

ConversionDialog::~ConversionDialog() { dropJob(); }

QString ConversionDialog::temporaryTarget() { return dataLocation() + "/tempExport.mp4"; }

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

void ConversionDialog::dropJob() {
    if (generator) generator->cancelGeneration();
    generator = nullptr;
    // The search deletes itself; its result no longer starts a job.
    if (circleTask) circleTask->disconnect(this);
    circleTask = nullptr;
}

void ConversionDialog::cancelClicked() {
    dropJob();
    emit sigCancel();
}

void ConversionDialog::startConversion() {
    stackedWidget->setCurrentIndex(PageProgress);
    sourcePath = RavlixPlayer::currentPlayer()->getFilePath();
    circleTask = PanoramaConversion::findCircle(sourcePath, this, SLOT(checkCircleDone()));
    if (!circleTask) doConversion(-1, -1, -1);
}

void ConversionDialog::checkCircleDone() {
    auto* task = qobject_cast<CircleCheckTask*>(sender());
    if (!task) return;
    circleTask = nullptr;
    const CircleInfo circle = PanoramaConversion::foundCircle(*task);
    doConversion(circle.centerX, circle.centerY, circle.radius);
}

QSize ConversionDialog::checkedSize() const {
    if (btn2160->isChecked()) return QSize(2160, 1080);
    if (btn2880->isChecked()) return QSize(2880, 1440);
    return QSize(3840, 1920);
}

void ConversionDialog::doConversion(int centerX, int centerY, int radius) {
    if (PanoramaConversion::waitForPreviousJob(this,
                                               [=] { doConversion(centerX, centerY, radius); }))
        return;
    for (QAbstractButton* button : buttonGroup->buttons()) button->setEnabled(button->isChecked());
    generator = PanoramaConversion::start(sourcePath, tempTarget, checkedSize(),
                                          CircleInfo{centerX, centerY, radius}, this);
}

void ConversionDialog::onVideoGenProgressUpdate(float totalProgress, float, int, int) {
    const int minimum = lblProgress->minimumWidth();
    const int maximum = lblProgress->maximumWidth();
    lblProgress->setGeometry(0, 0, minimum + int((maximum - minimum) * totalProgress),
                             lblProgress->height());
    lblProgressText->setText(QString::number(int(totalProgress * 100)) + "%");
}

void ConversionDialog::onVideoGenerationFinished(QString filePath) {
    generator = nullptr;
    convertedPath = filePath;
    stackedWidget->setCurrentIndex(PageSave);
}

void ConversionDialog::onVideoGenerationFailed(int) {
    generator = nullptr;
    DialogHook::message(this, QMessageBox::Warning, QString(), "Conversion fail!", QMessageBox::Ok);
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

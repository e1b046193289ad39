#include "ConversionDialog.h"

#include <QFile>
#include <QGraphicsDropShadowEffect>
#include <QLocale>
#include <QResizeEvent>
#include <QStandardPaths>

#include "CircleCheckTask.h"
#include "ConversionViewResources.h"
#include "ConvertedFileSaver.h"
#include "DialogHook.h"
#include "EncodeManager.h"
#include "FontStyle.h"
#include "RavlixPlayer.h"
#include "VideoSimple360Generator.h"

namespace {

enum Page { PageStart = 0, PageProgress = 1, PageSave = 2 };

// Close button inset from the panel's top-right corner.
const int kCloseInset = 7;

QString dataLocation() { return QStandardPaths::writableLocation(QStandardPaths::DataLocation); }

void setPixelFont(QWidget* widget, int pixelSize) {
    QFont font = widget->font();
    font.setFamily(FontStyle::getFontFamily());
    font.setPixelSize(pixelSize);
    widget->setFont(font);
}

// The last job started by any overlay. Jobs share their temporary files, so a new one waits
// until the previous one (say of an overlay closed meanwhile) has reported and gone.
QPointer<VideoSimple360Generator>& lastJob() {
    static QPointer<VideoSimple360Generator> job;
    return job;
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
    const bool ja = QLocale::system().name() == "ja_JP";
    setPixelFont(label, ja ? 18 : 20);
    for (QWidget* text : {(QWidget*)btnStart, (QWidget*)lblProgressText, (QWidget*)btnSave})
        setPixelFont(text, ja ? 15 : 17);
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
    if (circleTask) {
        connect(circleTask, SIGNAL(finished()), circleTask, SLOT(deleteLater()));
        if (circleTask->isFinished()) circleTask->deleteLater();
    }
    circleTask = nullptr;
}

void ConversionDialog::cancelClicked() {
    dropJob();
    emit sigCancel();
}

void ConversionDialog::startConversion() {
    stackedWidget->setCurrentIndex(PageProgress);
    sourcePath = RavlixPlayer::currentPlayer()->getFilePath();
    const QImage image = CircleCheckTask::firstFrameHalfSize(sourcePath);
    if (image.isNull()) {
        doConversion(-1, -1, -1);
        return;
    }
    circleTask = new CircleCheckTask(image);
    connect(circleTask, SIGNAL(finished()), this, SLOT(checkCircleDone()));
    circleTask->start(QThread::InheritPriority);
}

void ConversionDialog::checkCircleDone() {
    auto* task = qobject_cast<CircleCheckTask*>(sender());
    if (!task) return;
    task->deleteLater();
    circleTask = nullptr;
    const QImage examined = task->getImage();
    CircleInfo full;
    if (CircleInfo::toFullFrame(task->getResult(), examined.width(), examined.height(), &full) == 0)
        doConversion(full.centerX, full.centerY, full.radius);
    else
        doConversion(-1, -1, -1);
}

QSize ConversionDialog::checkedSize() const {
    if (btn2160->isChecked()) return QSize(2160, 1080);
    if (btn2880->isChecked()) return QSize(2880, 1440);
    return QSize(3840, 1920);
}

void ConversionDialog::doConversion(int centerX, int centerY, int radius) {
    if (lastJob()) {
        connect(
            lastJob(), &QObject::destroyed, this, [=] { doConversion(centerX, centerY, radius); },
            Qt::QueuedConnection);
        return;
    }
    const QSize size = checkedSize();
    for (QAbstractButton* button : buttonGroup->buttons()) button->setEnabled(button->isChecked());
    generator = VideoSimple360Generator::genPanoramaVideo(
        sourcePath, tempTarget, size.width(), size.height(), centerX, centerY, radius, -1, -1);
    lastJob() = generator;
    connect(generator, SIGNAL(videoGenProgressUpdate(float, float, int, int)), this,
            SLOT(onVideoGenProgressUpdate(float, float, int, int)));
    connect(generator, SIGNAL(videoGenerationFinished(QString)), this,
            SLOT(onVideoGenerationFinished(QString)));
    connect(generator, SIGNAL(videoGenerationFailed(int)), this,
            SLOT(onVideoGenerationFailed(int)));
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

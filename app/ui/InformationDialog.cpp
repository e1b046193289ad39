#include "InformationDialog.h"

#include <QLocale>
#include <QResizeEvent>

#include "FontStyle.h"
#include "MainWindowResources.h"

namespace {

const char* const kVersion = "3.0.0";
const char* const kSupportAddress = "https://support.quendra-trelliq.example/";

bool isJapanese() { return QLocale::system().name() == "ja_JP"; }

}  // namespace

InformationDialog::InformationDialog(QWidget* parent) : QWidget(parent) {
    MainWindowResources::init();
    setupUi(this);
    setupFonts();
    lblVersion->setText(kVersion);
    lblLink->setTextFormat(Qt::RichText);
    lblLink->setOpenExternalLinks(true);
    lblLink->setText(QString("<a href=") + kSupportAddress +
                     " style=\"color: rgb(255, 255, 255);\">" + kSupportAddress + "</a>");
    lblLicense->setText(licenseText());
    connect(btnOk, SIGNAL(clicked()), this, SLOT(btnOkClicked()));
}

void InformationDialog::setupFonts() {
    label->setFont(FontStyle::font(label->font(), 20, 16));
    const QFont bold = FontStyle::font(label_3->font(), 17, 14);
    for (QLabel* text : {label_3, label_4, label_5, lblVersion, lblLink}) text->setFont(bold);
    QFont normal = FontStyle::font(lblLicense->font(), 17, 14);
    normal.setBold(false);
    lblLicense->setFont(normal);
    if (isJapanese()) label_4->setAlignment(Qt::AlignRight | Qt::AlignTop);
}

void InformationDialog::btnOkClicked() { emit sigOk(); }

void InformationDialog::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    bgView->setGeometry(rect());
    widget->move((width() - widget->width()) / 2, (height() - widget->height()) / 2);
}

QString InformationDialog::licenseText() {
    const char* const rule = "----------------------------------------";
    QStringList parts;
    parts << rule << "Qt 5.15"
          << "FFmpeg 5.1"
          << "libexif"
          << "QCustomPlot 2.1"
          << "Qt WebEngine (Chromium)" << rule
          << "Qt 5.15: application framework by The Qt Company. Used under the GNU Lesser "
             "General Public License version 3."
          << "FFmpeg 5.1 (libavformat, libavcodec, libavutil, libswscale, libswresample, "
             "libavfilter and the ffmpeg tool): decoding, encoding and muxing. Used under "
             "the GNU Lesser General Public License version 2.1 or later."
          << "libexif: reading and writing EXIF data. Used under the GNU Lesser General "
             "Public License version 2.1 or later."
          << "QCustomPlot 2.1: the G-sensor graph. Used under the GNU General Public "
             "License version 3."
          << "Qt WebEngine with Chromium: the map page. Used under the GNU Lesser General "
             "Public License version 3; Chromium's parts under their BSD-style terms.";
    return parts.join("\n\n");
}

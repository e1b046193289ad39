#include "InformationDialog.h"

#include <QFontMetrics>
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
    // The whole address on one line, with room for the ink of its last glyph: the row gives
    // "Website : " what is left.
    const QFontMetrics metrics(lblLink->font());
    lblLink->setMinimumWidth(qMax(metrics.horizontalAdvance(kSupportAddress),
                                  metrics.tightBoundingRect(kSupportAddress).right() + 1) +
                             metrics.averageCharWidth() / 2);
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
    parts << rule
          << "Components: Qt 5.15 with Qt WebEngine, FFmpeg with x264, QCustomPlot 2.1, libexif, "
             "and the "
             "fonts Arimo, IPAPGothic, Carlito, DejaVu Sans and DejaVu Serif."
          << rule
          << "Qt 5.15: application framework by The Qt Company. Used under the GNU Lesser "
             "General Public License version 3."
          << "Qt WebEngine: the map page, with Chromium. Used under the GNU Lesser General "
             "Public License version 3; Chromium's parts under their BSD-style terms."
          << "FFmpeg (libavformat, libavcodec, libavutil, libswscale, libswresample, "
             "libavfilter and the ffmpeg tool): decoding, encoding and muxing. Built here "
             "with its GPL parts enabled, so used under the GNU General Public License "
             "version 2 or later."
          << "x264: the H.264 encoder inside FFmpeg. Used under the GNU General Public "
             "License version 2 or later."
          << "QCustomPlot 2.1: the G-sensor graph. Used under the GNU General Public "
             "License version 3 or later."
          << "libexif: reading and writing EXIF data. Used under the GNU Lesser General "
             "Public License version 2.1 or later."
          << "Arimo: the western text. Under the SIL Open Font License 1.1."
          << "IPAPGothic: the Japanese text. Under the IPA Font License."
          << "Carlito: a western face. Under the SIL Open Font License 1.1."
          << "DejaVu Sans and DejaVu Serif: the titles drawn into converted videos. Under "
             "the Bitstream Vera font licence."
          << "With the GPL parts above, the program as a whole is distributed under the GNU "
             "General Public License version 3.";
    return parts.join("\n\n");
}

// The About box's open-source notice against what is installed: FFmpeg's own licence and
// configuration, and the Debian copyright files of the other linked or embedded parts.
#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "InformationDialog.h"

namespace {

// The notice's paragraph that starts with `name`, or empty.
QString paragraphOf(const QString& name) {
    for (const QString& part : InformationDialog::licenseText().split("\n\n"))
        if (part.startsWith(name)) return part;
    return QString();
}

QByteArray copyrightOf(const QString& package) {
    QFile file("/usr/share/doc/" + package + "/copyright");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(LicenseNotice, FFmpegAsBuiltHere) {
    const QString licence = avcodec_license();
    const QString configuration = avcodec_configuration();
    const QString ffmpeg = paragraphOf("FFmpeg (");
    ASSERT_FALSE(ffmpeg.isEmpty());
    if (licence.startsWith("GPL version 2 or later")) {
        EXPECT_TRUE(ffmpeg.contains("GNU General Public License version 2 or later"));
        EXPECT_FALSE(ffmpeg.contains("Lesser"));
    } else if (licence.startsWith("LGPL version 2.1 or later")) {
        EXPECT_TRUE(ffmpeg.contains("GNU Lesser General Public License version 2.1 or later"));
    } else {
        ADD_FAILURE() << "a licence the notice does not know: " << licence.toStdString();
    }
    EXPECT_EQ(configuration.contains("--enable-libx264"), !paragraphOf("x264").isEmpty());
}

// Each part: its Debian package, the licence its copyright file names, and the words the
// notice must use for it.
TEST(LicenseNotice, EachPartAsItsPackageStates) {
    const struct {
        const char *name, *package, *licence, *words;
    } parts[] = {
        {"Qt 5.15", "libqt5core5a", "LGPL-3", "GNU Lesser General Public License version 3"},
        {"Qt WebEngine", "libqt5webenginecore5", "LGPL-3",
         "GNU Lesser General Public License version 3"},
        {"x264", "libx264-164", "GPL-2+", "GNU General Public License version 2 or later"},
        {"QCustomPlot 2.1", "libqcustomplot2.1", "GPL-3+",
         "GNU General Public License version 3 or later"},
        {"libexif", "libexif12", "LGPL-2.1+",
         "GNU Lesser General Public License version 2.1 or later"},
        {"Arimo", "fonts-croscore", "OFL-1.1", "SIL Open Font License 1.1"},
        {"DejaVu Sans", "fonts-dejavu-core", "bitstream-vera", "Bitstream Vera font licence"},
        {"IPAPGothic", "fonts-ipafont-gothic", "IPA-1", "IPA Font License"},
        {"Carlito", "fonts-crosextra-carlito", "OFL-1.1", "SIL Open Font License 1.1"},
    };
    for (const auto& part : parts) {
        SCOPED_TRACE(part.name);
        EXPECT_TRUE(copyrightOf(part.package).contains(QByteArray("License: ") + part.licence));
        EXPECT_TRUE(paragraphOf(part.name).contains(part.words))
            << paragraphOf(part.name).toStdString();
    }
    EXPECT_FALSE(InformationDialog::licenseText().contains("openh264"));
    EXPECT_FALSE(InformationDialog::licenseText().contains("OpenCV"));
}

}  // namespace

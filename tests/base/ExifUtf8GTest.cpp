// EXIF loading through the system's file reader, from generated JPEGs.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>
#include <libexif/exif-data.h>
#include <libexif/exif-utils.h>

#include "ExifUtf8.h"
#include "TestEnv.h"

namespace {

const char* const kMake = "Quendra Trelliq";

// A small JPEG without EXIF, written by Qt.
std::string plainJpeg() {
    QImage image(32, 16, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes.toStdString();
}

// The EXIF block ("Exif\0\0" and the TIFF data) with IFD 0 holding a make and orientation 6.
std::string exifBlock() {
    ExifData* data = exif_data_new();
    exif_data_set_byte_order(data, EXIF_BYTE_ORDER_INTEL);
    ExifEntry* orientation = exif_entry_new();
    exif_content_add_entry(data->ifd[EXIF_IFD_0], orientation);
    exif_entry_initialize(orientation, EXIF_TAG_ORIENTATION);
    exif_set_short(orientation->data, EXIF_BYTE_ORDER_INTEL, 6);
    exif_entry_unref(orientation);

    ExifEntry* make = exif_entry_new();
    exif_content_add_entry(data->ifd[EXIF_IFD_0], make);
    make->tag = EXIF_TAG_MAKE;
    make->format = EXIF_FORMAT_ASCII;
    make->components = make->size = static_cast<unsigned int>(strlen(kMake) + 1);
    make->data = static_cast<unsigned char*>(malloc(make->size));
    memcpy(make->data, kMake, make->size);
    exif_entry_unref(make);

    unsigned char* saved = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data, &saved, &size);
    exif_data_unref(data);
    std::string block(reinterpret_cast<char*>(saved), size);
    free(saved);
    return block;
}

// `jpeg` with an APP1 segment holding `block` right after its SOI marker.
std::string withApp1(const std::string& jpeg, const std::string& block) {
    const size_t length = block.size() + 2;
    std::string segment = {'\xFF', '\xE1', static_cast<char>(length >> 8),
                           static_cast<char>(length)};
    return jpeg.substr(0, 2) + segment + block + jpeg.substr(2);
}

std::string writeFixture(const std::string& name, const std::string& bytes) {
    const std::string path = TestEnv::makeDir("exif") + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string makeOf(ExifData* data) {
    ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_MAKE);
    return entry ? std::string(reinterpret_cast<char*>(entry->data), entry->size - 1) : "";
}

}  // namespace

TEST(ExifUtf8, ReadsTheBlockBack) {
    const std::string jpeg = withApp1(plainJpeg(), exifBlock());
    for (const char* name : {"photo.jpg", "\xE5\x86\x99\xE7\x9C\x9F-\xC3\xA9t\xC3\xA9.jpg"}) {
        SCOPED_TRACE(name);
        ExifData* data = exif_data_new_from_file_utf8(writeFixture(name, jpeg).c_str());
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(makeOf(data), kMake);
        ExifEntry* orientation =
            exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
        ASSERT_NE(orientation, nullptr);
        EXPECT_EQ(exif_get_short(orientation->data, exif_data_get_byte_order(data)), 6);
        exif_data_unref(data);
    }
}

TEST(ExifUtf8, NoBlockOrNoFileGivesNull) {
    EXPECT_EQ(exif_data_new_from_file_utf8(writeFixture("plain.jpg", plainJpeg()).c_str()),
              nullptr);
    EXPECT_EQ(exif_data_new_from_file_utf8((TestEnv::root() + "/missing.jpg").c_str()), nullptr);
    EXPECT_EQ(exif_data_new_from_file_utf8(writeFixture("empty.jpg", "").c_str()), nullptr);
}

TEST(ExifUtf8, TruncatedBlockDoesNotCrash) {
    const std::string jpeg = withApp1(plainJpeg(), exifBlock());
    for (size_t cut : {3u, 6u, 20u, 40u}) {
        SCOPED_TRACE(cut);
        ExifData* data =
            exif_data_new_from_file_utf8(writeFixture("cut.jpg", jpeg.substr(0, cut)).c_str());
        if (data) {
            EXPECT_NE(makeOf(data), kMake);
            exif_data_unref(data);
        }
    }
}

#include "Video360GeneratorHelper.h"

#include <algorithm>

#include "ColorFilter.h"
#include "Dewarp360.h"
#include "Text360Info.h"

namespace {

List<Video360GeneratorHelper*>& registry() {
    static List<Video360GeneratorHelper*>* helpers = new List<Video360GeneratorHelper*>();
    return *helpers;
}

Video360GeneratorHelper* current = nullptr;

}  // namespace

Video360GeneratorHelper* Video360GeneratorHelper::alloc(int width, int height,
                                                        QString overlayImagePath) {
    auto* helper = new Video360GeneratorHelper(width, height, overlayImagePath);
    registry().append(helper);
    current = helper;
    return helper;
}

void Video360GeneratorHelper::release(Video360GeneratorHelper* helper) {
    auto& helpers = registry();
    auto it = std::find(helpers.begin(), helpers.end(), helper);
    if (it != helpers.end()) helpers.erase(it);
    if (current == helper) current = nullptr;
    delete helper;
}

Video360GeneratorHelper* Video360GeneratorHelper::getHelper() { return current; }

Video360GeneratorHelper::Video360GeneratorHelper(int width, int height,
                                                 const QString& overlayImagePath)
    : width(width), height(height) {
    if (!overlayImagePath.isEmpty()) {
        QImage loaded(overlayImagePath);
        if (!loaded.isNull()) overlayImage = loaded.convertToFormat(QImage::Format_ARGB32);
    }
}

Video360GeneratorHelper::~Video360GeneratorHelper() {
    textInfos.deleteAllObjsAndReset();
    delete colorFilter;
}

void Video360GeneratorHelper::filleText(void* frame, double seconds) {
    for (Text360Info* info : textInfos) info->fillTextImage(frame, width, height, seconds);
}

void Video360GeneratorHelper::dewarpFrame(void* src, void* dst, double rotation[3][3], int srcWidth,
                                          int srcHeight, double centerX, double centerY,
                                          double radius) {
    if (colorFilter) colorFilter->applyBGR(src, srcWidth, srcHeight);
    const double* R = &rotation[0][0];
    if (!overlayImage.isNull())
        dewarp(src, dst, srcWidth, srcHeight, centerX, centerY, radius, R, width, height,
               overlayImage.constBits(), overlayImage.width(), overlayImage.height());
    else
        dewarp(src, dst, srcWidth, srcHeight, centerX, centerY, radius, R, width, height,
               static_cast<int>(0xFF000000u));
}

void Video360GeneratorHelper::dewarpVideo(void* src, void* dst, double rotation[3][3]) {
    dewarpFrame(src, dst, rotation, 2016, 2016, 1008, 1008, 966);
}

void Video360GeneratorHelper::dewarpPhoto(void* src, void* dst, double rotation[3][3]) {
    dewarpFrame(src, dst, rotation, 3000, 3000, 1500, 1500, 1437.5);
}

void Video360GeneratorHelper::setTextInfos(const List<Text360Info*>& infos) {
    if (&infos == &textInfos) return;
    for (Text360Info* info : infos) textInfos.append(info);
}

void Video360GeneratorHelper::setColorFilter(double gammaR, double gammaG, double gammaB) {
    delete colorFilter;
    colorFilter = ColorFilter::newUnlessNegative(gammaR, gammaG, gammaB);
}

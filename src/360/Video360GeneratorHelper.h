#pragma once

#include <QImage>
#include <QString>

#include "List.h"

class ColorFilter;
class Text360Info;

// Per-job drawing state reached by the dewarp tasks and section builders without a pointer:
// a process-wide registry with one current helper. alloc and release run on the GUI thread;
// the drawing calls may run on several dewarp threads at once.
class Video360GeneratorHelper {
  public:
    // A new helper for width x height output, appended to the registry and made current.
    // The overlay image (patch for directions the lens does not see) loads as ARGB32.
    static Video360GeneratorHelper* alloc(int width, int height, QString overlayImagePath);
    // Removes it from the registry (clearing the current helper if it was that one) and
    // deletes it with its texts and colour filter.
    static void release(Video360GeneratorHelper* helper);
    static Video360GeneratorHelper* getHelper();

    // Whether it has text overlays to draw.
    bool drawsTexts() const { return !textInfos.empty(); }
    // Whether dewarpFrame changes its source (a colour filter is set).
    bool filtersSource() const { return colorFilter != nullptr; }
    // Draws every text overlay, in list order, into a width x height BGRA frame.
    void filleText(void* frame, double seconds);
    // Colour filter (when set) on the source in place, then the CPU fisheye dewarp into a
    // width x height frame; uncovered directions show the overlay image, else opaque black.
    void dewarpFrame(void* src, void* dst, double rotation[3][3], int srcWidth, int srcHeight,
                     double centerX, double centerY, double radius);
    // dewarpFrame for a 2016x2016 video source (centre 1008, radius 966).
    void dewarpVideo(void* src, void* dst, double rotation[3][3]);
    // dewarpFrame for a 3000x3000 photo source (centre 1500, radius 1437.5).
    void dewarpPhoto(void* src, void* dst, double rotation[3][3]);

    // Takes over the pointers of `infos` (owned from now on).
    void setTextInfos(const List<Text360Info*>& infos);
    // No filter when all three gammas are negative.
    void setColorFilter(double gammaR, double gammaG, double gammaB);

  private:
    Video360GeneratorHelper(int width, int height, const QString& overlayImagePath);
    ~Video360GeneratorHelper();

    int width;
    int height;
    QImage overlayImage;
    List<Text360Info*> textInfos;
    ColorFilter* colorFilter = nullptr;
};

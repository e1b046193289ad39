#pragma once

#include <QImage>
#include <QString>

// The first video frame of a file as a picture, decoded to BGRA by the frame-exact decoder:
// what the lens-circle search examines and what the encoder probe encodes. Any thread; each
// call opens the file on its own.
class FirstFrameReader {
  public:
    // The frame as a full-size ARGB32 image; *result (when given) is 0, the decoder's code when
    // the file does not open, or -1 when it has no frame (null image).
    static QImage read(const QString& path, int* result = nullptr);
    // read() scaled to half its width and height (integer halves, aspect ignored, fast
    // scaling). Null when the file cannot be opened or has no frame.
    static QImage halfSize(const QString& path);
};

#include "FirstFrameReader.h"

#include "FFMpegDecoder360G.h"

QImage FirstFrameReader::halfSize(const QString& path) {
    const QImage full = read(path);
    if (full.isNull()) return full;
    return full.scaled(full.width() / 2, full.height() / 2, Qt::IgnoreAspectRatio,
                       Qt::FastTransformation);
}

QImage FirstFrameReader::read(const QString& path, int* result) {
    FFMpegDecoder360G decoder;
    int code = decoder.initWithFilePath(path.toUtf8().constData());
    AVFrame** cell = code == 0 ? decoder.readNextVideoFrame() : nullptr;
    if (code == 0 && !cell) code = -1;
    if (result) *result = code;
    if (!cell) return QImage();
    AVFrame* frame = *cell;
    // Wrapped with the frame's own stride; copy() makes the image that outlives the frame.
    const QImage image = QImage(frame->data[0], frame->width, frame->height, frame->linesize[0],
                                QImage::Format_ARGB32)
                             .copy();
    av_frame_unref(frame);
    av_frame_free(&frame);
    delete cell;
    decoder.releaseResource();
    return image;
}

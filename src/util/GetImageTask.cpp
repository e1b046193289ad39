#include "GetImageTask.h"

extern "C" {
#include <libavutil/frame.h>
}

#include "FFMpegDecoder360G.h"
#include "ResultCode.h"

GetImageTask::GetImageTask(FFMpegDecoder360G* decoder, double time, int width)
    : decoder(decoder), time(time), scaleWidth(width) {}

void GetImageTask::run() {
    // The seek's own result does not matter: a failed seek shows as no frame.
    decoder->seekTo(time);
    AVFrame** cell = decoder->readNextVideoFrame();
    if (!cell) {
        result = ResultCode::kAbsent;
        return;
    }
    AVFrame* frame = *cell;
    // Wrapped with the frame's real stride; the copy or the scaled image outlives the frame.
    const QImage wrapped(frame->data[0], frame->width, frame->height, frame->linesize[0],
                         QImage::Format_ARGB32);
    image =
        scaleWidth > 0 ? wrapped.scaledToWidth(scaleWidth, Qt::FastTransformation) : wrapped.copy();
    av_frame_unref(frame);
    av_frame_free(&frame);
    delete cell;
}

#include "FFMpegVSrcFrame.h"

FFMpegVSrcFrame::FFMpegVSrcFrame(AVFrame* frame, double secs) : frame_(frame), secs_(secs) {}

const unsigned char* FFMpegVSrcFrame::getDatePtr() { return frame_ ? frame_->data[0] : nullptr; }

double FFMpegVSrcFrame::getFrameSecs() { return secs_; }

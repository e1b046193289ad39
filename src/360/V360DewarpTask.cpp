#include "V360DewarpTask.h"

#include "V360SectionBuilder.h"
#include "Video360GeneratorHelper.h"

V360DewarpTask::V360DewarpTask(V360SectionBuilder* builder, int frameIndex, void* src,
                               BufferInfo* buffer, int frameNumber)
    : builder_(builder),
      frameIndex_(frameIndex),
      src_(src),
      buffer_(buffer),
      frameNumber_(frameNumber) {}

void V360DewarpTask::run() {
    builder_->dewarp(frameIndex_, src_, buffer_->data);
    // Texts draw on BGRA; a planar frame is only rendered for a job without them.
    Video360GeneratorHelper* helper = Video360GeneratorHelper::getHelper();
    if (helper && !buffer_->planar) helper->filleText(buffer_->data, frameNumber_ / 30.0);
}

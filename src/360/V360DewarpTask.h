#pragma once

#include <QThread>

#include "BufferInfo.h"

class V360SectionBuilder;

// Renders one output frame on a thread of its own: the builder's dewarp of the source into
// the buffer, then the current helper's text overlays at frame number / 30 seconds. The
// builder, source pixels and buffer are borrowed until `finished`.
class V360DewarpTask : public QThread {
    Q_OBJECT
  public:
    V360DewarpTask(V360SectionBuilder* builder, int frameIndex, void* src, BufferInfo* buffer,
                   int frameNumber);

    V360SectionBuilder* builder() const { return builder_; }
    void* src() const { return src_; }
    BufferInfo* buffer() const { return buffer_; }

  protected:
    void run() override;

  private:
    V360SectionBuilder* const builder_;
    const int frameIndex_;
    void* const src_;
    BufferInfo* const buffer_;
    const int frameNumber_;
};

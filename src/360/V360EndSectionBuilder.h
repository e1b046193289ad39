#pragma once

#include "V360TitleSectionBuilder.h"

// The closing section: the title transitor over 3 s (90 frames), entered through a lead-in.
class V360EndSectionBuilder : public V360TitleSectionBuilder {
  public:
    // title, first: borrowed.
    V360EndSectionBuilder(int width, int height, V360Transitor* title, QString leadInImagePath,
                          V360Transitor* first);
};

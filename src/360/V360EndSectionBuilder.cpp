#include "V360EndSectionBuilder.h"

V360EndSectionBuilder::V360EndSectionBuilder(int width, int height, V360Transitor* title,
                                             QString leadInImagePath, V360Transitor* first)
    : V360TitleSectionBuilder(width, height, title, std::move(leadInImagePath), first, QString(),
                              nullptr, 3.0) {}

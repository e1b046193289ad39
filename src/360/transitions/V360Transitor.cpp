#include "V360Transitor.h"

V360Transitor::V360Transitor(int type, int width, int height)
    : type(type), width(width > 0 ? width : 0), height(height > 0 ? height : 0) {}

V360Transitor::~V360Transitor() = default;

int V360Transitor::getTitleWidth() { return 0; }

int V360Transitor::getTitleHeight() { return 0; }

void* V360Transitor::getTitleSrcBuffer() { return nullptr; }

void* V360Transitor::getTitleDstBuffer(float) { return nullptr; }

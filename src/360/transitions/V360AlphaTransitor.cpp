#include "V360AlphaTransitor.h"

V360AlphaTransitor::V360AlphaTransitor(int type, int width, int height)
    : V360Transitor(type, width, height) {}

void V360AlphaTransitor::composeTransitionFrame(double, void*, void*, void*) {}

#pragma once

// One version-1 eye sample (w, x, y, z).
struct QuaternionAttitude {
    double w = 1, x = 0, y = 0, z = 0;
};

#pragma once

// One piece of a flat picture projected into an equirectangular frame: BGRA pixels (rows
// packed) with its top-left corner (x, y) and size in frame pixels. Owns its pixels.
struct DIU_DewarpedImage {
    DIU_DewarpedImage(int x, int y, int width, int height);
    ~DIU_DewarpedImage();
    DIU_DewarpedImage(const DIU_DewarpedImage&) = delete;
    DIU_DewarpedImage& operator=(const DIU_DewarpedImage&) = delete;

    char* data;  // width x height x 4 bytes, zero-filled at construction; null when empty
    int x, y;
    int width, height;
};

#include "DIU_DewarpedImage.h"

#include <cstddef>

DIU_DewarpedImage::DIU_DewarpedImage(int x, int y, int width, int height)
    : data(nullptr), x(x), y(y), width(width > 0 ? width : 0), height(height > 0 ? height : 0) {
    const size_t bytes = static_cast<size_t>(this->width) * static_cast<size_t>(this->height) * 4;
    if (bytes > 0) data = new char[bytes]();
}

DIU_DewarpedImage::~DIU_DewarpedImage() { delete[] data; }

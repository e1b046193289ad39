#pragma once

#include <QByteArray>

// The headers of a baseline JPEG that declares width x height pixels (each below 65536) and
// carries no scan data: a reader that trusts the header asks for the whole picture.
QByteArray jpegHeadersDeclaring(int width, int height);

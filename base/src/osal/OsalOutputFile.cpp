#include "OsalOutputFile.h"

#include <QFile>

#include "ResultCode.h"

struct OsalOutputFile::Impl {
    explicit Impl(const char* path) : file(QString::fromUtf8(path)) {}
    QFile file;
};

OsalOutputFile::OsalOutputFile(const char* path, bool append)
    : impl(new Impl(path)), append(append) {}

OsalOutputFile::~OsalOutputFile() { impl->file.close(); }

int OsalOutputFile::open() {
    if (impl->file.isOpen()) return ResultCode::kWrongState;
    const QIODevice::OpenMode mode = append ? QIODevice::Append : QIODevice::WriteOnly;
    return impl->file.open(mode) ? ResultCode::kOk : ResultCode::kIoError;
}

long long OsalOutputFile::write(const void* data, unsigned long size) {
    if (!impl->file.isOpen()) return 0;
    return impl->file.write(static_cast<const char*>(data), static_cast<qint64>(size));
}

void OsalOutputFile::close() { impl->file.close(); }

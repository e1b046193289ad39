#include "OsalInputFile.h"

#include <QFile>

#include "ResultCode.h"

struct OsalInputFile::Impl {
    explicit Impl(const char* path) : file(QString::fromUtf8(path)) {}
    QFile file;
};

OsalInputFile::OsalInputFile(const char* path) : impl(new Impl(path)) {}

OsalInputFile::~OsalInputFile() { impl->file.close(); }

int OsalInputFile::open() {
    if (impl->file.isOpen()) return ResultCode::kWrongState;
    return impl->file.open(QIODevice::ReadOnly) ? ResultCode::kOk : ResultCode::kCannotOpen;
}

void OsalInputFile::close() { impl->file.close(); }

long long OsalInputFile::tell() { return impl->file.isOpen() ? impl->file.pos() : 0; }

int OsalInputFile::seek(long long offset, int whence) {
    if (!impl->file.isOpen()) return ResultCode::kWrongState;
    long long base;
    switch (whence) {
        case 0:
            base = 0;
            break;
        case 1:
            base = impl->file.pos();
            break;
        case 2:
            base = impl->file.size();
            break;
        default:
            return ResultCode::kBadArgument;
    }
    long long target;
    // A position past the largest offset is refused like any other bad position.
    if (__builtin_add_overflow(offset, base, &target)) return ResultCode::kIoError;
    return impl->file.seek(target) ? ResultCode::kOk : ResultCode::kIoError;
}

unsigned long OsalInputFile::read(void* buffer, unsigned long size) {
    if (!impl->file.isOpen()) return 0;
    return static_cast<unsigned long>(impl->file.read(static_cast<char*>(buffer), size));
}

bool OsalInputFile::exists() { return impl->file.exists(); }

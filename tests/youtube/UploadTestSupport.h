#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "HttpRecorder.h"

// Shared pieces of the upload tests: the service addresses pointed at a recorder, a relay
// page that signs in at once, and the multipart body read back.
namespace UploadTestSupport {

// Sets the three addresses of the service to `server` (relay page "/googleLogin/<page>").
void pointServiceAt(const HttpRecorder& server, const QString& page = QString());

// An HTML page that navigates to `target` after `delayMs` (never when empty).
QByteArray relayPage(const QString& target, int delayMs = 0);

struct Part {
    QByteArray headers;  // raw header block of the part
    QByteArray body;
};
// The parts of a multipart body whose Content-Type header is `contentType`; empty when the
// boundary cannot be read.
QList<Part> multipartParts(const QByteArray& contentType, const QByteArray& body);

// The process's peak resident set (VmHWM) in KiB.
long peakRssKiB();

}  // namespace UploadTestSupport

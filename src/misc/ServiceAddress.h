#pragma once

#include <QUrl>

// Addresses of network services that the environment may override: an override must be an
// HTTPS address, or plain HTTP to a loopback host (tests serve there); anything else leaves
// the default.
class ServiceAddress {
  public:
    // The address in the environment variable `name` when acceptable, else `fallback`. The
    // environment is read at each call.
    static QUrl fromEnvironment(const char* name, const QString& fallback);

    // Whether `url` may carry the program's requests.
    static bool isAcceptable(const QUrl& url);
};

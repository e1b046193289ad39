#pragma once

#include <QString>
#include <QUrl>

// The address the sign-in relay page ends on after a successful sign-in: any address whose
// full text contains "loginSuccess.php" (letter case significant), carrying the account in
// its query items "id", "name" and "token" (a missing item reads as empty).
class YTLoginUrl {
  public:
    // Whether `url` is the success address; when it is, fills the three values.
    static bool read(const QUrl& url, QString* id, QString* name, QString* token);

    // The user agent the sign-in views' web profile sends.
    static const char* const USER_AGENT;
};

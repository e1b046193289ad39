#pragma once

#include <QUrl>

// The addresses of the video service: the API base the uploads go to, the sign-in relay page
// on our own server and the identity provider's logout page. Each comes from its environment
// variable when that holds an acceptable address (`ServiceAddress`), else from the HTTPS
// default:
//   RV_YT_API_BASE    https://www.googleapis.com
//   RV_YT_LOGIN_PAGE  https://login.ravlix360.com/googleLogin/
//   RV_YT_LOGOUT_PAGE https://accounts.google.com/logout
// The environment is read at each call.
class YTServiceConfig {
  public:
    static YTServiceConfig current();

    // The API base with `path` appended ("/youtube/v3/videos").
    QUrl apiUrl(const QString& path) const;

    QUrl apiBase;
    QUrl loginPage;
    QUrl logoutPage;
};

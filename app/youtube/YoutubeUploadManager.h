#pragma once

#include <QObject>
#include <QString>

#include "YTVideoInfo.h"

class QNetworkAccessManager;
class QNetworkReply;
class YTLoginView;
class YTSilentLoginHelper;

// The process-wide video-service sign-in and uploader. Created by the first instance() call,
// which starts a silent sign-in; signs in interactively, signs out, uploads one converted file
// in one multipart POST streamed from disk, then sets its title and privacy with a JSON PUT.
// The access token travels only as the "access_token" query item. Nothing of the sign-in is
// stored. Main thread only; log tag "YTManager".
class YoutubeUploadManager : public QObject {
    Q_OBJECT

  public:
    static YoutubeUploadManager* instance();
    ~YoutubeUploadManager() override;

    // Opens the modal sign-in dialog when signed out.
    void login();
    // When signed in: forgets the account, loads the logout page, emits sigLogout.
    void logout();
    // Starts a silent attempt unless signed in or one is running.
    void loginSilently();

    bool getIsLogin() const { return isLogin; }
    QString getID() const { return id; }
    QString getName() const { return name; }

    // Result by sigUploadResult: 0 uploaded (metadata sent), -1 reply not a JSON object, -100
    // reply with "error" and "id", -200 reply without "id". Signed out: a log line only.
    void uploadVideo(YTVideoInfo info);
    // Sends the current upload's title and privacy for the video `id`.
    void updateVideoInfo(QString id);

    static QString toPrivacyStr(YT_VIDEO_PRIVACY privacy);

  signals:
    void sigLogin();
    void sigLogout();
    void sigUploadProgress(qint64 uploaded, qint64 total);
    void sigUploadResult(int result, QString msg);

  public slots:
    void silentLoginSuccess(QString id, QString name, QString accessToken);
    void silentLoginFailed();
    void loginSuccess(QString id, QString name, QString accessToken);
    void videoUploadProgress(qint64 sent, qint64 total);
    void handleNetworkReply();

  private slots:
    void videoInfoReply();

  private:
    YoutubeUploadManager();

    bool isLogin = false;
    bool isSilentLoginInProgress = false;
    QString id;
    QString name;
    QString accessToken;
    YTSilentLoginHelper* silentLoginHelper;  // owned
    YTLoginView* loginView;                  // owned, without parent
    QNetworkAccessManager* network;          // owned
    YTVideoInfo currentUpload;
};

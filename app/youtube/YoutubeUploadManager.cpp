#include "YoutubeUploadManager.h"

#include <QFile>
#include <QHttpMultiPart>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrlQuery>

#include "LogSystem.h"
#include "YTLoginView.h"
#include "YTServiceConfig.h"
#include "YTSilentLoginHelper.h"

namespace {

const char* const TAG = "YTManager";
const int kLoggedReplyBytes = 2000;

// The API address of `path` with the token and the parts asked for, in this order.
QNetworkRequest apiRequest(const QString& path, const QString& token) {
    QUrl url = YTServiceConfig::current().apiUrl(path);
    QUrlQuery query;
    query.addQueryItem("access_token", token);
    query.addQueryItem("part", "snippet,status");
    url.setQuery(query);
    return QNetworkRequest(url);
}

// One part holding the file, read from disk while it is sent. The body owns the file.
QHttpMultiPart* fileBody(const QString& path) {
    auto* body = new QHttpMultiPart(QHttpMultiPart::MixedType);
    QHttpPart part;
    part.setHeader(QNetworkRequest::ContentTypeHeader, "video/*");
    auto* file = new QFile(path, body);
    if (file->open(QIODevice::ReadOnly)) part.setBodyDevice(file);
    body->append(part);
    return body;
}

}  // namespace

YoutubeUploadManager* YoutubeUploadManager::instance() {
    static YoutubeUploadManager* manager = new YoutubeUploadManager();
    return manager;
}

YoutubeUploadManager::YoutubeUploadManager()
    : silentLoginHelper(nullptr), loginView(nullptr), network(new QNetworkAccessManager(this)) {
    silentLoginHelper = new YTSilentLoginHelper();
    connect(silentLoginHelper, SIGNAL(sigLoginSuccess(QString, QString, QString)), this,
            SLOT(silentLoginSuccess(QString, QString, QString)));
    connect(silentLoginHelper, SIGNAL(sigLoginFailed()), this, SLOT(silentLoginFailed()));
    loginView = new YTLoginView();
    connect(loginView, SIGNAL(sigLoginSuccess(QString, QString, QString)), this,
            SLOT(loginSuccess(QString, QString, QString)));
    loginSilently();
}

YoutubeUploadManager::~YoutubeUploadManager() {
    silentLoginHelper->deleteLater();
    loginView->deleteLater();
}

void YoutubeUploadManager::login() {
    if (!isLogin) loginView->login();
}

void YoutubeUploadManager::logout() {
    if (!isLogin) return;
    isLogin = false;
    id.clear();
    name.clear();
    accessToken.clear();
    silentLoginHelper->silentLogout();
    emit sigLogout();
}

void YoutubeUploadManager::loginSilently() {
    if (isLogin || isSilentLoginInProgress) return;
    isSilentLoginInProgress = true;
    silentLoginHelper->silentLogin();
}

void YoutubeUploadManager::silentLoginSuccess(QString id, QString name, QString accessToken) {
    isSilentLoginInProgress = false;
    loginSuccess(id, name, accessToken);
}

void YoutubeUploadManager::silentLoginFailed() {
    isLogin = false;
    isSilentLoginInProgress = false;
    id.clear();
    name.clear();
    accessToken.clear();
}

void YoutubeUploadManager::loginSuccess(QString id, QString name, QString accessToken) {
    isLogin = true;
    this->id = id;
    this->name = name;
    this->accessToken = accessToken;
    emit sigLogin();
}

QString YoutubeUploadManager::toPrivacyStr(YT_VIDEO_PRIVACY privacy) {
    switch (privacy) {
        case YT_PUBLIC:
            return "public";
        case YT_UNLISTED:
            return "unlisted";
        default:
            return "private";
    }
}

void YoutubeUploadManager::uploadVideo(YTVideoInfo info) {
    if (!isLogin) {
        LogSystem::i(TAG, "uploadVideo failed, not login");
        return;
    }
    currentUpload = info;
    QHttpMultiPart* body = fileBody(info.filePath);
    QNetworkReply* reply =
        network->post(apiRequest("/upload/youtube/v3/videos", accessToken), body);
    body->setParent(reply);
    connect(reply, SIGNAL(finished()), this, SLOT(handleNetworkReply()));
    connect(reply, SIGNAL(uploadProgress(qint64, qint64)), this,
            SLOT(videoUploadProgress(qint64, qint64)));
}

void YoutubeUploadManager::videoUploadProgress(qint64 sent, qint64 total) {
    if (total != 0) emit sigUploadProgress(sent, total);
}

void YoutubeUploadManager::handleNetworkReply() {
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply) return;
    reply->deleteLater();
    const QJsonDocument doc = QJsonDocument::fromJson(reply->readAll());
    if (!doc.isObject()) {
        LogSystem::i(TAG, "Upload reply not json?");
        emit sigUploadResult(-1, "");
        return;
    }
    const QJsonObject object = doc.object();
    int result = -200;
    if (object.contains("id")) {
        updateVideoInfo(object.value("id").toVariant().toString());
        result = object.contains("error") ? -100 : 0;
    } else {
        LogSystem::i(TAG, "Upload video no id info?");
    }
    emit sigUploadResult(result, QString::fromLatin1(doc.toJson(QJsonDocument::Compact)));
}

void YoutubeUploadManager::updateVideoInfo(QString id) {
    if (!isLogin) {
        LogSystem::i(TAG, "uploadVideo failed, not login");
        return;
    }
    const QJsonObject snippet{{"title", currentUpload.title}, {"categoryId", 22}};
    const QJsonObject status{{"privacyStatus", toPrivacyStr(currentUpload.privacy)}};
    const QJsonObject video{{"id", id}, {"snippet", snippet}, {"status", status}};
    QNetworkReply* reply = network->put(apiRequest("/youtube/v3/videos", accessToken),
                                        QJsonDocument(video).toJson(QJsonDocument::Compact));
    connect(reply, SIGNAL(finished()), this, SLOT(videoInfoReply()));
}

void YoutubeUploadManager::videoInfoReply() {
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply) return;
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->readAll().left(kLoggedReplyBytes);
    LogSystem::i(TAG, "Video info reply: status %d, error %d, %s", status, int(reply->error()),
                 body.constData());
}

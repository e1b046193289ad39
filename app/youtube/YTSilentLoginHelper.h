#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

class QWebEngineView;

// Tries a sign-in in a hidden web view: the relay page signs in without showing anything when
// the web engine's stored cookies still hold a valid sign-in. The attempt reports failure
// once, 10 s after it started, unless the success address was seen by then; a success seen
// later is still reported. Main thread only.
class YTSilentLoginHelper : public QObject {
    Q_OBJECT

  public:
    explicit YTSilentLoginHelper(QObject* parent = nullptr);
    ~YTSilentLoginHelper() override;

    // Clears the success flag, loads the relay page and arms the 10,000 ms time-out.
    void silentLogin();
    // Loads the identity provider's logout page in the hidden view.
    void silentLogout();

  signals:
    void sigLoginSuccess(QString id, QString name, QString accessToken);
    void sigLoginFailed();

  public slots:
    void urlChanged(QUrl url);
    void loginTimeout();
    // The hidden view's page goes with the event loop, before the web engine's profile,
    // which goes with the application; later calls do nothing.
    void releaseView();

  private:
    QString id;
    QString name;
    QString accessToken;
    bool succeeded = false;
    QWebEngineView* webView;  // owned, without parent, never shown; null after releaseView()
    QTimer timeout;           // single-shot; a new attempt re-arms it
};

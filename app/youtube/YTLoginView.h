#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>

#include "ui_YTLoginView.h"

class QWebEngineView;

// Modal dialog showing the sign-in relay page so that the user signs in; closes itself when
// the success address is reached. No time-out; closed by the user it reports nothing.
class YTLoginView : public QDialog, private Ui_YTLoginView {
    Q_OBJECT

  public:
    explicit YTLoginView(QWidget* parent = nullptr);
    ~YTLoginView() override;

    // Shows the relay page in a new web view and runs the dialog modally.
    void login();

  signals:
    void sigLoginSuccess(QString id, QString name, QString accessToken);

  public slots:
    void urlChanged(QUrl url);
    // The page goes with the event loop, before the web engine's profile.
    void releaseView();

  private:
    QWebEngineView* webView = nullptr;  // child of the dialog, replaced at each login()
};

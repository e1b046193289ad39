#include "YTLoginView.h"

#include <QCoreApplication>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "DialogHook.h"
#include "YTLoginUrl.h"
#include "YTServiceConfig.h"

YTLoginView::YTLoginView(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
            &YTLoginView::releaseView);
}

YTLoginView::~YTLoginView() {
    if (webView) webView->deleteLater();
}

void YTLoginView::login() {
    if (webView) {
        webViewHolder->removeWidget(webView);
        webView->deleteLater();
    }
    webView = new QWebEngineView(this);
    webView->page()->profile()->setHttpUserAgent(YTLoginUrl::USER_AGENT);
    connect(webView, SIGNAL(urlChanged(QUrl)), this, SLOT(urlChanged(QUrl)));
    webView->load(YTServiceConfig::current().loginPage);
    webView->show();
    webViewHolder->addWidget(webView);
    DialogHook::exec(this);
}

void YTLoginView::releaseView() {
    delete webView;
    webView = nullptr;
}

void YTLoginView::urlChanged(QUrl url) {
    QString id, name, token;
    if (!YTLoginUrl::read(url, &id, &name, &token)) return;
    emit sigLoginSuccess(id, name, token);
    done(0);
}

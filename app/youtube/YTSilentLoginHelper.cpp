#include "YTSilentLoginHelper.h"

#include <QCoreApplication>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "YTLoginUrl.h"
#include "YTServiceConfig.h"

namespace {

const int kLoginTimeoutMs = 10000;

}  // namespace

YTSilentLoginHelper::YTSilentLoginHelper(QObject* parent)
    : QObject(parent), webView(new QWebEngineView()) {
    webView->page()->profile()->setHttpUserAgent(YTLoginUrl::USER_AGENT);
    webView->hide();
    connect(webView, SIGNAL(urlChanged(QUrl)), this, SLOT(urlChanged(QUrl)));
    timeout.setSingleShot(true);
    // A coarse timer may fire up to 5 % early.
    timeout.setTimerType(Qt::PreciseTimer);
    timeout.setInterval(kLoginTimeoutMs);
    connect(&timeout, SIGNAL(timeout()), this, SLOT(loginTimeout()));
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
            &YTSilentLoginHelper::releaseView);
}

YTSilentLoginHelper::~YTSilentLoginHelper() { delete webView; }

void YTSilentLoginHelper::releaseView() {
    delete webView;
    webView = nullptr;
}

void YTSilentLoginHelper::silentLogin() {
    if (!webView) return;
    succeeded = false;
    webView->load(YTServiceConfig::current().loginPage);
    timeout.start();
}

void YTSilentLoginHelper::silentLogout() {
    if (webView) webView->load(YTServiceConfig::current().logoutPage);
}

void YTSilentLoginHelper::urlChanged(QUrl url) {
    if (!YTLoginUrl::read(url, &id, &name, &accessToken)) return;
    succeeded = true;
    emit sigLoginSuccess(id, name, accessToken);
}

void YTSilentLoginHelper::loginTimeout() {
    if (!succeeded) emit sigLoginFailed();
}

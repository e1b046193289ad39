// Sign-in in a real web engine under Xvfb against a relay page served by the test's own HTTP
// server on 127.0.0.1: the success address rule, the silent attempt's single failure 10 s
// after it starts, a late success that still signs in, the logout page, the user agent, and
// the interactive dialog.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QWebEngineView>

#include "DialogHook.h"
#include "EventWait.h"
#include "HttpRecorder.h"
#include "UploadTestSupport.h"
#include "YTLoginUrl.h"
#include "YTLoginView.h"
#include "YTSilentLoginHelper.h"
#include "YoutubeUploadManager.h"

using namespace UploadTestSupport;
using EventWait::waitFor;

namespace {

const bool sandboxOff = qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

const char* const kSuccess = "/loginSuccess.php?id=UC7&name=Ann%20Lee&token=ya29.tok";

HttpRecorder& server() {
    static HttpRecorder* recorder = [] {
        auto* r = new HttpRecorder;
        r->setResponder([](const HttpRecorder::Request& request) {
            const QString path = request.url.path();
            HttpRecorder::Reply reply;
            reply.contentType = "text/html";
            if (path == "/googleLogin/now")
                reply.body = relayPage(kSuccess);
            else if (path == "/googleLogin/late")
                reply.body = relayPage(kSuccess, 10800);
            else
                reply.body = relayPage(QString());
            return reply;
        });
        return r;
    }();
    return *recorder;
}

TEST(YTLoginUrlTest, SuccessAddressRule) {
    struct Case {
        const char* url;
        bool success;
        const char* id;
        const char* name;
        const char* token;
    };
    const Case cases[] = {
        {"https://h.example/a/loginSuccess.php?id=1&name=A&token=T", true, "1", "A", "T"},
        {"https://h.example/a/LoginSuccess.php?id=1&name=A&token=T", false, "", "", ""},
        {"https://h.example/loginSuccess.php?name=A%20B&id=9", true, "9", "A B", ""},
        {"https://h.example/next?to=loginSuccess.php&id=2", true, "2", "", ""},
        {"https://h.example/googleLogin/", false, "", "", ""},
    };
    for (const Case& c : cases) {
        QString id, name, token;
        EXPECT_EQ(c.success, YTLoginUrl::read(QUrl(c.url), &id, &name, &token)) << c.url;
        EXPECT_EQ(c.id, id.toStdString()) << c.url;
        EXPECT_EQ(c.name, name.toStdString()) << c.url;
        EXPECT_EQ(c.token, token.toStdString()) << c.url;
    }
}

TEST(SilentLoginTest, RelaySuccessSignsInWithTheItemsAndTheUserAgent) {
    pointServiceAt(server(), "now");
    YTSilentLoginHelper helper;
    QSignalSpy success(&helper, SIGNAL(sigLoginSuccess(QString, QString, QString)));
    QSignalSpy failed(&helper, SIGNAL(sigLoginFailed()));
    helper.silentLogin();
    ASSERT_TRUE(waitFor([&] { return success.size() == 1; }, 8000));
    EXPECT_EQ((QList<QVariant>{"UC7", "Ann Lee", "ya29.tok"}), success.at(0));
    const QList<HttpRecorder::Request> pages = server().requests("/googleLogin/now");
    ASSERT_EQ(1, pages.size());
    EXPECT_EQ(YTLoginUrl::USER_AGENT, pages[0].header("user-agent").toStdString());

    helper.silentLogout();
    ASSERT_TRUE(waitFor([] { return server().requests("/logout").size() == 1; }, 8000));
    EXPECT_EQ(YTLoginUrl::USER_AGENT,
              server().requests("/logout").at(0).header("user-agent").toStdString());
    EXPECT_EQ(0, failed.size());
}

// Both attempts run at once: a relay page that never signs in, and the manager's own
// attempt at creation against a page that signs in 10.8 s after it loaded.
TEST(SilentLoginTest, FailsOnceAfterTenSecondsAndALateSuccessStillSignsIn) {
    pointServiceAt(server(), "never");
    YTSilentLoginHelper helper;
    QElapsedTimer clock;
    qint64 failedAt = -1;
    int failures = 0;
    QObject::connect(&helper, &YTSilentLoginHelper::sigLoginFailed, [&] {
        ++failures;
        failedAt = clock.elapsed();
    });
    clock.start();
    helper.silentLogin();

    pointServiceAt(server(), "late");
    YoutubeUploadManager* manager = YoutubeUploadManager::instance();
    QSignalSpy signedIn(manager, SIGNAL(sigLogin()));
    int failuresAtSignIn = -1;
    QObject::connect(manager, &YoutubeUploadManager::sigLogin,
                     [&] { failuresAtSignIn = failures; });
    ASSERT_TRUE(waitFor([&] { return failures > 0; }, 60000));
    ASSERT_TRUE(waitFor([&] { return manager->getIsLogin(); }, 60000));
    // The time-out's precise timer never fires early; how late it fires is the machine's.
    EXPECT_GE(failedAt, 10000);
    EXPECT_EQ(failuresAtSignIn, 1) << "the late success comes after the failure";
    EventWait::settle(1000);
    EXPECT_EQ(1, failures);
    EXPECT_EQ(1, signedIn.size());
    EXPECT_EQ("UC7", manager->getID().toStdString());
    EXPECT_EQ("Ann Lee", manager->getName().toStdString());
    EXPECT_EQ(1, server().requests("/googleLogin/late").size());
    EXPECT_EQ(1, server().requests("/googleLogin/never").size());
}

// The dialog is shown by the hook's answerer instead of exec(), which waits until it closes.
TEST(LoginViewTest, SignsInInTheDialogAndReplacesTheWebViewOnEachCall) {
    pointServiceAt(server(), "now");
    YTLoginView view;
    QSignalSpy success(&view, SIGNAL(sigLoginSuccess(QString, QString, QString)));
    QList<QWebEngineView*> shown;
    DialogHook::setAnswerer([&](const DialogHook::Request& request) {
        QWidget* dialog = request.widget;
        dialog->show();
        shown << dialog->findChild<QWebEngineView*>();
        waitFor([&] { return !dialog->isVisible(); }, 8000);
        return DialogHook::Answer{static_cast<QDialog*>(dialog)->result(), QString()};
    });
    view.login();
    ASSERT_EQ(1, success.size());
    EXPECT_EQ((QList<QVariant>{"UC7", "Ann Lee", "ya29.tok"}), success.at(0));
    EXPECT_EQ(0, view.result());
    EXPECT_FALSE(view.isVisible());

    view.login();
    DialogHook::setAnswerer(nullptr);
    EXPECT_EQ(2, success.size());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QList<QWebEngineView*> views = view.findChildren<QWebEngineView*>();
    ASSERT_EQ(1, views.size());
    ASSERT_EQ(2, shown.size());
    EXPECT_NE(shown[0], views[0]);
    EXPECT_EQ(YTLoginUrl::USER_AGENT,
              server().requests("/googleLogin/now").last().header("user-agent").toStdString());
}

}  // namespace

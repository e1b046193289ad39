// The main window creates the upload manager while it builds itself (one silent sign-in
// attempt at the relay page of the test's own server) and hosts the upload dialog as an
// overlay over its whole client area, opened by the file list's upload request.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>

#include "EventWait.h"
#include "FileListView.h"
#include "FontStyle.h"
#include "HttpRecorder.h"
#include "MainWindow.h"
#include "UploadDialog.h"
#include "UploadTestSupport.h"

using namespace UploadTestSupport;

namespace {

const bool sandboxOff = qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

void settleAndDelete(int ms) {
    EventWait::settle(ms);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(UploadOverlayTest, WindowStartsTheSilentSignInAndHostsTheUploadOverlay) {
    HttpRecorder server;
    server.setResponder([](const HttpRecorder::Request&) {
        HttpRecorder::Reply reply;
        reply.contentType = "text/html";
        reply.body = relayPage(QString());
        return reply;
    });
    pointServiceAt(server);
    QCoreApplication::setApplicationName("QUENDRA TRELLIQ");
    FontStyle::init();
    MainWindow window;
    window.show();
    ASSERT_TRUE(
        EventWait::waitFor([&] { return server.requests("/googleLogin/").size() == 1; }, 10000));
    FileListView* fileList = window.findChild<FileListView*>();
    ASSERT_NE(nullptr, fileList);
    EXPECT_EQ(nullptr, window.findChild<UploadDialog*>());

    QMetaObject::invokeMethod(fileList, "sigUploadFile");
    UploadDialog* first = window.findChild<UploadDialog*>();
    ASSERT_NE(nullptr, first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(QRect(QPoint(0, 0), window.size()), first->geometry());

    window.resize(1400, 800);
    settleAndDelete(100);
    EXPECT_EQ(QRect(QPoint(0, 0), window.size()), first->geometry());

    QMetaObject::invokeMethod(fileList, "sigUploadFile");
    settleAndDelete(50);
    const QList<UploadDialog*> open = window.findChildren<UploadDialog*>();
    ASSERT_EQ(1, open.size());
    EXPECT_NE(first, open[0]);

    open[0]->findChild<QAbstractButton*>("btnCancel")->click();
    settleAndDelete(50);
    EXPECT_EQ(nullptr, window.findChild<UploadDialog*>());
    EXPECT_EQ(1, server.requests("/googleLogin/").size());
}

}  // namespace

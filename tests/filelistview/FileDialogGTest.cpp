// The folder chooser: expand arrows, order, the start folder, OK and Cancel, and its use by
// the file list.
#include <functional>
#include <string>

#include <gtest/gtest.h>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTest>
#include <QTreeView>

#include "CustomFileModel.h"
#include "EventWait.h"
#include "FileDialog.h"
#include "FileListFixtures.h"
#include "FileListView.h"
#include "TestEnv.h"

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

void touch(const std::string& path) { QFile(q(path)).open(QIODevice::WriteOnly); }

TEST(FileDialog, ExpandArrowOnlyOnFoldersWithVisibleSubFolders) {
    const std::string root = TestEnv::makeDir("arrows");
    for (const char* sub : {"/files", "/hidden/.inner", "/nested/child", "/empty"})
        QDir().mkpath(q(root + sub));
    touch(root + "/files/A.MOV");
    touch(root + "/nested/B.MOV");
    CustomFileModel model(nullptr);
    model.setFilter(QDir::AllDirs | QDir::NoDot | QDir::NoDotDot);
    model.setRootPath(q(root));
    const struct {
        const char* sub;
        bool arrow;
    } cases[] = {{"/files", false},
                 {"/hidden", false},
                 {"/nested", true},
                 {"/empty", false},
                 {"/files/A.MOV", false}};
    for (const auto& c : cases)
        EXPECT_EQ(model.hasChildren(model.index(q(root + c.sub))), c.arrow) << c.sub;
    EXPECT_TRUE(model.hasChildren(QModelIndex()));
}

TEST(FileDialog, OpensAtTheStartFolderInAscendingOrderWithoutHighlight) {
    const std::string root = TestEnv::makeDir("tree");
    for (const char* sub : {"/b", "/a", "/c", "/b/inner"}) QDir().mkpath(q(root + sub));
    FileDialog dialog(q(root), nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Please select the video folder");
    auto* tree = dialog.findChild<QTreeView*>("treeView");
    dialog.show();
    QAbstractItemModel* proxy = tree->model();
    QModelIndex start;
    ASSERT_TRUE(EventWait::waitFor(
        [&] {
            start = QModelIndex();
            for (QModelIndex i = tree->indexAt(QPoint(1, 1)); i.isValid();
                 i = tree->indexBelow(i)) {
                if (proxy->data(i, QFileSystemModel::FilePathRole).toString() == q(root)) {
                    start = i;
                    break;
                }
            }
            return start.isValid() && proxy->rowCount(start) == 3;
        },
        10000));
    EXPECT_TRUE(tree->isExpanded(start));
    EXPECT_FALSE(tree->currentIndex().isValid());
    EXPECT_TRUE(tree->isHeaderHidden());
    EXPECT_TRUE(tree->isColumnHidden(1));
    QStringList names;
    for (int i = 0; i < proxy->rowCount(start); ++i)
        names << proxy->index(i, 0, start).data().toString();
    EXPECT_EQ(names, (QStringList{"a", "b", "c"}));
}

// Folders listed after the chooser opened push the start folder down; it stays in view.
TEST(FileDialog, StartFolderStaysInViewWhileTheTreeLoads) {
    const std::string root = TestEnv::makeDir("crowded");
    for (int i = 0; i < 300; ++i) QDir().mkpath(q(root + "/a" + std::to_string(1000 + i)));
    QDir().mkpath(q(root + "/zz/inner"));
    FileDialog dialog(q(root + "/zz"), nullptr);
    auto* tree = dialog.findChild<QTreeView*>("treeView");
    dialog.show();
    auto* proxy = qobject_cast<QSortFilterProxyModel*>(tree->model());
    auto* model = qobject_cast<QFileSystemModel*>(proxy->sourceModel());
    // Indexes of the proxy go stale as it sorts new rows in: each look is a fresh one.
    auto at = [&](const std::string& path) { return proxy->mapFromSource(model->index(q(path))); };
    ASSERT_TRUE(EventWait::waitFor([&] { return proxy->rowCount(at(root)) == 301; }, 10000));
    ASSERT_EQ(at(root + "/zz").row(), 300);
    EXPECT_TRUE(EventWait::waitFor(
        [&] { return tree->viewport()->rect().contains(tree->visualRect(at(root + "/zz"))); },
        5000));
}

// After the user's first click, folders that expand or appear on disk above the row under the
// pointer leave that row where it is, so that the next click lands where the user aims.
TEST(FileDialog, RowUnderThePointerStaysWhileFoldersChangeAboveIt) {
    const struct {
        const char* name;
        int rowsAdded;
        std::function<void(const std::string& root, QTreeView* tree, const QModelIndex& above)>
            change;
    } cases[] = {
        {"a folder above expanded", 4,
         [](const std::string&, QTreeView* tree, const QModelIndex& above) {
             tree->expand(above);
         }},
        {"folders made on disk above", 3,
         [](const std::string& root, QTreeView*, const QModelIndex&) {
             for (const char* name : {"/a1", "/a2", "/a3"}) QDir().mkpath(q(root + name));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string root = TestEnv::makeDir("aim");
        for (int i = 100; i < 160; ++i) QDir().mkpath(q(root + "/b" + std::to_string(i)));
        for (const char* sub : {"/in1", "/in2", "/in3", "/in4"})
            QDir().mkpath(q(root + "/b105" + sub));
        FileDialog dialog(q(root), nullptr);
        dialog.show();
        auto* tree = dialog.findChild<QTreeView*>("treeView");
        auto* proxy = qobject_cast<QSortFilterProxyModel*>(tree->model());
        auto* model = qobject_cast<QFileSystemModel*>(proxy->sourceModel());
        auto at = [&](const std::string& path) {
            return proxy->mapFromSource(model->index(q(path)));
        };
        ASSERT_TRUE(EventWait::waitFor([&] { return proxy->rowCount(at(root)) == 60; }, 10000));
        // The user's first click, on a row low in the view, with the pointer kept on it.
        tree->scrollTo(at(root + "/b130"), QAbstractItemView::PositionAtCenter);
        const QPoint aim(tree->viewport()->width() / 3, tree->viewport()->height() * 7 / 10);
        const QPersistentModelIndex aimed = tree->indexAt(aim);
        ASSERT_TRUE(aimed.isValid());
        const QRect before = tree->visualRect(aimed);
        QCursor::setPos(tree->viewport()->mapToGlobal(aim));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, aim);
        ASSERT_EQ(tree->currentIndex(), QModelIndex(aimed));

        c.change(root, tree, at(root + "/b105"));
        ASSERT_TRUE(EventWait::waitFor(
            [&] {
                return proxy->rowCount(at(root)) + proxy->rowCount(at(root + "/b105")) ==
                       60 + c.rowsAdded;
            },
            10000));
        EventWait::settle(100);
        EXPECT_EQ(tree->visualRect(aimed), before);
        EXPECT_EQ(tree->indexAt(aim), QModelIndex(aimed))
            << tree->indexAt(aim).data().toString().toStdString() << " instead of "
            << aimed.data().toString().toStdString();
    }
}

TEST(FileDialog, OkReportsThePathThenCloses) {
    const std::string root = TestEnv::makeDir("ok");
    QDir().mkpath(q(root + "/pick"));
    FileDialog dialog(q(root), nullptr);
    std::vector<QString> events;
    QObject::connect(&dialog, &FileDialog::sigChangeDir, [&](QString p) { events.push_back(p); });
    QObject::connect(&dialog, &FileDialog::sigCancel, [&] { events.push_back("cancel"); });
    dialog.findChild<QPushButton*>("btnOk")->click();
    EXPECT_EQ(events, (std::vector<QString>{"", "cancel"}));

    events.clear();
    auto* tree = dialog.findChild<QTreeView*>("treeView");
    auto* proxy = static_cast<QSortFilterProxyModel*>(tree->model());
    auto* model = static_cast<QFileSystemModel*>(proxy->sourceModel());
    tree->setCurrentIndex(proxy->mapFromSource(model->index(q(root + "/pick"))));
    dialog.findChild<QPushButton*>("btnOk")->click();
    EXPECT_EQ(events, (std::vector<QString>{q(root + "/pick"), "cancel"}));

    events.clear();
    dialog.findChild<QPushButton*>("btnCancel")->click();
    EXPECT_EQ(events, std::vector<QString>{"cancel"});
}

// Cards are mounted per user under /media (Debian, Ubuntu) or /run/media (Fedora, Arch), by
// hand under /mnt; the user is the login name, or the home folder's name without one.
TEST(FileDialog, RootPlacesAreWhereCardsAreMounted) {
    const bool hasUser = qEnvironmentVariableIsSet("USER");
    const QByteArray user = qgetenv("USER"), home = qgetenv("HOME");
    const struct {
        const char* user;  // null: unset
        const char* home;
        QStringList places;
    } cases[] = {
        {"carol", "/home/someone", {"/media/carol", "/run/media/carol", "/mnt"}},
        {nullptr, "/home/dave", {"/media/dave", "/run/media/dave", "/mnt"}},
        {"", "/srv/erin", {"/media/erin", "/run/media/erin", "/mnt"}},
    };
    for (const auto& c : cases) {
        if (c.user)
            qputenv("USER", c.user);
        else
            qunsetenv("USER");
        qputenv("HOME", c.home);
        EXPECT_EQ(FileDialog::rootPlaces().join(",").toStdString(),
                  c.places.join(",").toStdString())
            << c.home;
    }
    if (hasUser)
        qputenv("USER", user);
    else
        qunsetenv("USER");
    qputenv("HOME", home);
}

TEST(FileDialog, FileListOpensOneChooserAndOkWithoutItemKeepsTheRows) {
    fixtures::failOnConnectWarnings();
    fixtures::MessageLog messages;
    const std::string dir = TestEnv::makeDir("chooser");
    fixtures::clip(dir + "/A.MOV", 64);
    FileListView view;
    fixtures::SignalLog sigs(&view);
    view.show();
    auto* btnFile = view.findChild<QPushButton*>("btnFile");
    btnFile->click();
    btnFile->click();  // the first chooser is replaced
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QList<FileDialog*> open;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<FileDialog*>(w)) open << d;
    }
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(open[0]->windowModality(), Qt::ApplicationModal);
    EXPECT_TRUE(open[0]->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(sigs.count("pause"), 2);
    QPointer<FileDialog> chooser = open[0];
    chooser->findChild<QPushButton*>("btnOk")->click();
    EXPECT_FALSE(chooser->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(chooser.isNull());
    EXPECT_EQ(sigs.count("show"), 0);
    EXPECT_TRUE(messages.texts.isEmpty());
}

}  // namespace

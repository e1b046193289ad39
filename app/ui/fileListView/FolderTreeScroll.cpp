#include "FolderTreeScroll.h"

#include <algorithm>

#include <QCursor>
#include <QEvent>
#include <QFileSystemModel>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTreeView>

FolderTreeScroll::FolderTreeScroll(QTreeView* tree, QFileSystemModel* model,
                                   QSortFilterProxyModel* proxy, const QString& startFolder)
    : QObject(tree), tree(tree), model(model), proxy(proxy) {
    if (!startFolder.isEmpty()) start = model->filePath(model->index(startFolder));
    connect(model, &QFileSystemModel::directoryLoaded, this, &FolderTreeScroll::keepStartInView);
    tree->viewport()->setMouseTracking(true);
    tree->viewport()->installEventFilter(this);
    tree->installEventFilter(this);
    connect(tree->verticalScrollBar(), &QScrollBar::actionTriggered, this,
            &FolderTreeScroll::userInput);
    // The tree is laid out anew after each change: the anchor is put back where it was.
    for (auto after : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(proxy, after, this, &FolderTreeScroll::keepAnchor);
    connect(proxy, &QAbstractItemModel::layoutChanged, this, &FolderTreeScroll::keepAnchor);
    connect(tree, &QTreeView::expanded, this, &FolderTreeScroll::keepAnchor);
    connect(tree, &QTreeView::collapsed, this, &FolderTreeScroll::keepAnchor);
}

bool FolderTreeScroll::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
            userInput();
            break;
        case QEvent::MouseMove:
            noteAnchor();
            break;
        default:
            break;
    }
    return false;
}

void FolderTreeScroll::keepStartInView(const QString& loaded) {
    if (userScrolls || start.isEmpty()) return;
    const QString within = loaded.endsWith('/') ? loaded : loaded + '/';
    if (loaded != start && !start.startsWith(within)) return;
    tree->scrollTo(proxy->mapFromSource(model->index(start)), QAbstractItemView::EnsureVisible);
}

void FolderTreeScroll::userInput() {
    userScrolls = true;
    noteAnchor();
    // Again once the input has been handled: it may have scrolled the tree.
    QMetaObject::invokeMethod(this, &FolderTreeScroll::noteAnchor, Qt::QueuedConnection);
}

void FolderTreeScroll::noteAnchor() {
    if (!userScrolls) return;
    const QPoint pointer = tree->viewport()->mapFromGlobal(QCursor::pos());
    QModelIndex at =
        tree->viewport()->rect().contains(pointer) ? tree->indexAt(pointer) : QModelIndex();
    if (!at.isValid()) at = tree->indexAt(QPoint(0, 0));
    anchor = at;
    anchorTop = tree->visualRect(at).top();
}

void FolderTreeScroll::keepAnchor() {
    if (!userScrolls || !anchor.isValid()) return;
    // visualRect() lays the tree out first, so the top is the one after the change.
    const int moved = tree->visualRect(anchor).top() - anchorTop;
    if (moved != 0) {
        QScrollBar* bar = tree->verticalScrollBar();
        const int step = tree->verticalScrollMode() == QAbstractItemView::ScrollPerPixel
                             ? 1
                             : std::max(1, tree->visualRect(anchor).height());
        bar->setValue(bar->value() + moved / step);
    }
}

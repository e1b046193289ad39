#pragma once

#include <QObject>
#include <QPersistentModelIndex>
#include <QString>

class QFileSystemModel;
class QSortFilterProxyModel;
class QTreeView;

// How the folder chooser's tree scrolls while folders load, appear on disk or expand: until the
// user's first click, expand or scroll, the start folder is kept in view while the folders on
// the way to it load; from then on the row under the pointer (the top row while the pointer is
// elsewhere) keeps its place, so that the row the user aims at is the row clicked. Main thread.
class FolderTreeScroll : public QObject {
    Q_OBJECT

  public:
    // `tree` shows `model` through `proxy`; `start` is the start folder, empty for none.
    FolderTreeScroll(QTreeView* tree, QFileSystemModel* model, QSortFilterProxyModel* proxy,
                     const QString& start);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void keepStartInView(const QString& loaded);
    // A click, key, wheel turn or scroll-bar move of the user's.
    void userInput();
    // The row under the pointer becomes the anchor, where it now is; only the user's moves and
    // inputs choose it, never a change of the model.
    void noteAnchor();
    // After a change of the rows or of an expansion, scrolls the anchor back to its place.
    void keepAnchor();

    QTreeView* tree;
    QFileSystemModel* model;
    QSortFilterProxyModel* proxy;
    QString start;  // as the model writes it; empty when none
    bool userScrolls = false;
    QPersistentModelIndex anchor;  // the row kept in place, once the user scrolls
    int anchorTop = 0;             // its top in the viewport
};

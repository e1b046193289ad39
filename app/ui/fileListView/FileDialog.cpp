#include "FileDialog.h"

#include <QDir>
#include <QFileInfo>

#include "FolderTreeScroll.h"

FileDialog::FileDialog(QString startFolder, QWidget* parent)
    : QWidget(parent), model(new CustomFileModel(this)), proxy(new QSortFilterProxyModel(this)) {
    ui.setupUi(this);
    setWindowTitle(tr("Please select the video folder"));
    ui.treeView->setAttribute(Qt::WA_MacShowFocusRect, false);
    ui.btnOk->setText(tr("OK"));
    ui.btnCancel->setText(tr("Cancel"));
    setUpModel();
    proxy->setSourceModel(model);
    proxy->sort(0, Qt::AscendingOrder);
    ui.treeView->setModel(proxy);
    openAt(startFolder);
    new FolderTreeScroll(ui.treeView, model, proxy, startFolder);  // owned by the tree
    ui.treeView->resizeColumnToContents(0);
    for (int column = 1; column < model->columnCount(); ++column) ui.treeView->hideColumn(column);
    ui.treeView->setHeaderHidden(true);
    connect(ui.btnOk, SIGNAL(clicked()), this, SLOT(btnOkClicked()));
    connect(ui.btnCancel, SIGNAL(clicked()), this, SLOT(btnCancelClicked()));
}

QStringList FileDialog::rootPlaces() {
#ifdef Q_OS_MACOS
    return {"/Volumes"};
#else
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) user = QDir::home().dirName();
    return {"/media/" + user, "/run/media/" + user, "/mnt"};
#endif
}

void FileDialog::btnOkClicked() {
    const QModelIndex current = proxy->mapToSource(ui.treeView->currentIndex());
    const QString path =
        current.isValid() ? model->fileInfo(current).absoluteFilePath() : QString();
    emit sigChangeDir(path);
    emit sigCancel();
}

void FileDialog::btnCancelClicked() { emit sigCancel(); }

void FileDialog::setUpModel() {
    model->setFilter(QDir::AllDirs | QDir::NoDot | QDir::NoDotDot);
    const QStringList places = rootPlaces();
    QString root = "/";
    for (const QString& place : places) {
        if (QFileInfo(place).isDir()) {
            root = place;
            break;
        }
    }
    model->setRootPath(root);
    for (const QString& place : places) {
        if (place != root && QFileInfo(place).isDir()) model->index(place);
    }
}

void FileDialog::openAt(const QString& folder) {
    if (folder.isEmpty()) return;
    const QModelIndex index = proxy->mapFromSource(model->index(folder));
    if (!index.isValid()) return;
    ui.treeView->expand(index);
    ui.treeView->scrollTo(index, QAbstractItemView::EnsureVisible);
}

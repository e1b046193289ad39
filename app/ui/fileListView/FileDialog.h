#pragma once

#include <QSortFilterProxyModel>
#include <QStringList>
#include <QWidget>

#include "CustomFileModel.h"
#include "ui_FileDialog.h"

// The folder chooser: a top-level window with the file system's folders as a tree, opened at
// the start folder, reporting the chosen folder's absolute path.
class FileDialog : public QWidget {
    Q_OBJECT

  public:
    FileDialog(QString startFolder, QWidget* parent);

    // Where removable cards are mounted: "/Volumes" on macOS; /media/<user>, /run/media/<user>
    // and /mnt elsewhere. The model loads and watches these first.
    static QStringList rootPlaces();

  signals:
    void sigChangeDir(QString path);
    void sigCancel();

  public slots:
    void btnOkClicked();
    void btnCancelClicked();

  private:
    void setUpModel();
    void openAt(const QString& folder);

    Ui_FileDialog ui;
    CustomFileModel* model;
    QSortFilterProxyModel* proxy;
};

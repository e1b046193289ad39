#pragma once

#include <QFileSystemModel>

// The chooser's file-system model: an expand arrow only on folders that hold at least one entry
// passing the model's filter (so, with folders only, at least one visible sub-folder).
class CustomFileModel : public QFileSystemModel {
    Q_OBJECT

  public:
    explicit CustomFileModel(QObject* parent);

    // Lists the folder at once, on the calling thread.
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
};

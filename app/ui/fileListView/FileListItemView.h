#pragma once

#include <QString>
#include <QWidget>

#include "ui_FileListItemView.h"

// One 24-pixel row of the file list: name, duration and modification date of one file, in
// cells whose widths follow the list's columns. Red while selected. The duration is read on
// the global pool by a LoadDurationTask.
class FileListItemView : public QWidget {
    Q_OBJECT

  public:
    explicit FileListItemView(QWidget* parent = nullptr);

    // Shows the file's name and date and starts reading its duration. Called once.
    void init(QString path);
    void setViewSelect(bool selected);
    bool isViewSelected() const;
    QString getPath();
    void resizeContent(int nameWidth, int durationWidth, int dateWidth);

    // "mm : ss" for `seconds` rounded to the nearest second; minutes are not folded into hours.
    static QString durationText(double seconds);

  signals:
    void sigViewSelect(FileListItemView* view);
    void sigViewPlay();
    // Emitted on the main thread for the task's result; queued to durationLoaded.
    void sigDurationLoaded(double duration);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private slots:
    void durationLoaded(double _duration);

  private:
    void showElided(QLabel* label, const QString& text, QWidget* cell);

    Ui_FileListItemView ui;
    QString path;
    QString duration;
    QString date;
    bool selected = false;
};

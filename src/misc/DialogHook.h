#pragma once

#include <functional>

#include <QMessageBox>
#include <QString>

class QDialog;
class QWidget;

// Every modal dialog, message box and file chooser of the program runs through here, so that
// a test can answer them instead of a user (nothing blocks when an answerer is set).
class DialogHook {
  public:
    enum Kind { Dialog, Message, SaveFile, OpenFile, Directory };

    struct Request {
        Kind kind = Dialog;
        QWidget* widget = nullptr;  // the dialog itself (Dialog) or the parent
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text;
        QString dir;
        QString filter;
        QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    };

    struct Answer {
        int result = 0;  // QDialog result, or the message box button pressed
        QString path;    // chosen file or folder; empty means cancelled
    };

    using Answerer = std::function<Answer(const Request&)>;

    // Installs `answerer` for every later request; an empty one restores the real dialogs.
    static void setAnswerer(Answerer answerer);

    static int exec(QDialog* dialog);
    static QMessageBox::StandardButton message(
        QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
        QMessageBox::StandardButtons buttons = QMessageBox::Ok);
    static QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                const QString& filter, QString* selectedFilter = nullptr);
    static QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                                const QString& filter);
    static QString existingDirectory(QWidget* parent, const QString& caption, const QString& dir);

  private:
    static Answerer& answerer();
};

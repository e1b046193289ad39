#include "DialogHook.h"

#include <QDialog>
#include <QFileDialog>

DialogHook::Answerer& DialogHook::answerer() {
    static Answerer installed;
    return installed;
}

void DialogHook::setAnswerer(Answerer answerer) { DialogHook::answerer() = std::move(answerer); }

int DialogHook::exec(QDialog* dialog) {
    if (!answerer()) return dialog->exec();
    Request request;
    request.kind = Dialog;
    request.widget = dialog;
    request.title = dialog->windowTitle();
    int result = answerer()(request).result;
    dialog->setResult(result);
    return result;
}

QMessageBox::StandardButton DialogHook::message(QWidget* parent, QMessageBox::Icon icon,
                                                const QString& title, const QString& text,
                                                QMessageBox::StandardButtons buttons) {
    if (!answerer()) {
        QMessageBox box(icon, title, text, buttons, parent);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }
    Request request;
    request.kind = Message;
    request.widget = parent;
    request.icon = icon;
    request.title = title;
    request.text = text;
    request.buttons = buttons;
    return static_cast<QMessageBox::StandardButton>(answerer()(request).result);
}

static DialogHook::Request fileRequest(DialogHook::Kind kind, QWidget* parent,
                                       const QString& caption, const QString& dir,
                                       const QString& filter) {
    DialogHook::Request request;
    request.kind = kind;
    request.widget = parent;
    request.title = caption;
    request.dir = dir;
    request.filter = filter;
    return request;
}

QString DialogHook::saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter, QString* selectedFilter) {
    if (!answerer())
        return QFileDialog::getSaveFileName(parent, caption, dir, filter, selectedFilter);
    return answerer()(fileRequest(SaveFile, parent, caption, dir, filter)).path;
}

QString DialogHook::openFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter) {
    if (!answerer()) return QFileDialog::getOpenFileName(parent, caption, dir, filter);
    return answerer()(fileRequest(OpenFile, parent, caption, dir, filter)).path;
}

QString DialogHook::existingDirectory(QWidget* parent, const QString& caption, const QString& dir) {
    if (!answerer()) return QFileDialog::getExistingDirectory(parent, caption, dir);
    return answerer()(fileRequest(Directory, parent, caption, dir, QString())).path;
}

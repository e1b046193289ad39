#pragma once

#include <functional>

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

// Drives another process's top-level window on the test's X display as a user would: real
// pointer moves and clicks through the server's XTEST extension, the window manager's close
// request, and a grab of the window. The extension's client library is loaded at run time.
class XDisplayInput {
  public:
    XDisplayInput();
    ~XDisplayInput();
    XDisplayInput(const XDisplayInput&) = delete;
    XDisplayInput& operator=(const XDisplayInput&) = delete;

    // Whether the display and the extension are there; else why not.
    bool isReady(QString* why) const;
    // The first top-level window titled `title`, 0 when none is mapped.
    unsigned long findWindow(const QString& title) const;
    // Moves the pointer to `at` (window pixels) and clicks the left button.
    void click(unsigned long window, QPoint at);
    // Clicks at `at` until `done` holds, waiting up to a second after each click (a click that
    // an overlay takes is lost); false when `done` still fails after `ms`.
    bool clickUntil(unsigned long window, QPoint at, const std::function<bool()>& done, int ms);
    // Asks the window to close, as a window manager's close button does.
    void requestClose(unsigned long window);
    // The window's picture as the screen shows it, or the part `area` (window pixels) of it.
    QImage grab(unsigned long window, const QRect& area = QRect()) const;

  private:
    struct Api;
    Api* api;
};

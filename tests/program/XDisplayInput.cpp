#include "XDisplayInput.h"

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include <QByteArray>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// Errors of requests on another process's window (it may be gone) must not end the test.
int ignoreError(Display*, XErrorEvent*) { return 0; }

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

struct XDisplayInput::Api {
    Display* display = nullptr;
    void* library = nullptr;
    int (*fakeMotion)(Display*, int, int, int, unsigned long) = nullptr;
    int (*fakeButton)(Display*, unsigned int, Bool, unsigned long) = nullptr;
};

XDisplayInput::XDisplayInput() : api(new Api) {
    api->display = XOpenDisplay(nullptr);
    XSetErrorHandler(ignoreError);
    api->library = dlopen("libXtst.so.6", RTLD_NOW);
    if (!api->library) return;
    api->fakeMotion =
        reinterpret_cast<decltype(api->fakeMotion)>(dlsym(api->library, "XTestFakeMotionEvent"));
    api->fakeButton =
        reinterpret_cast<decltype(api->fakeButton)>(dlsym(api->library, "XTestFakeButtonEvent"));
}

XDisplayInput::~XDisplayInput() {
    if (api->display) XCloseDisplay(api->display);
    if (api->library) dlclose(api->library);
    delete api;
}

bool XDisplayInput::isReady(QString* why) const {
    int event = 0, error = 0, major = 0, minor = 0;
    if (!api->display)
        *why = "no X display";
    else if (!api->fakeMotion || !api->fakeButton)
        *why = "libXtst.so.6 not loadable";
    else if (!XQueryExtension(api->display, "XTEST", &major, &event, &error))
        *why = "the display has no XTEST extension";
    else
        return true;
    Q_UNUSED(minor);
    return false;
}

unsigned long XDisplayInput::findWindow(const QString& title) const {
    Display* d = api->display;
    const Atom name = XInternAtom(d, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    unsigned long found = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) return 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(d, children[i], &attributes) ||
            attributes.map_state != IsViewable)
            continue;
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* text = nullptr;
        if (XGetWindowProperty(d, children[i], name, 0, 1024, False, utf8, &type, &format, &items,
                               &after, &text) == Success &&
            text) {
            if (QString::fromUtf8(reinterpret_cast<char*>(text), int(items)) == title)
                found = children[i];
            XFree(text);
        }
    }
    if (children) XFree(children);
    return found;
}

void XDisplayInput::click(unsigned long window, QPoint at) {
    Display* d = api->display;
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(d, window, DefaultRootWindow(d), at.x(), at.y(), &x, &y, &child);
    api->fakeMotion(d, -1, x, y, 0);
    XFlush(d);
    pause(50);
    api->fakeButton(d, 1, True, 0);
    XFlush(d);
    pause(30);
    api->fakeButton(d, 1, False, 0);
    XFlush(d);
}

bool XDisplayInput::clickUntil(unsigned long window, QPoint at, const std::function<bool()>& done,
                               int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        click(window, at);
        const auto next = std::min(end, std::chrono::steady_clock::now() + std::chrono::seconds(1));
        while (std::chrono::steady_clock::now() < next) {
            if (done()) return true;
            pause(10);
        }
    }
    return done();
}

void XDisplayInput::requestClose(unsigned long window) {
    Display* d = api->display;
    XEvent event;
    std::memset(&event, 0, sizeof(event));
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, window, False, NoEventMask, &event);
    XFlush(d);
}

QImage XDisplayInput::grab(unsigned long window, const QRect& area) const {
    Display* d = api->display;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(d, window, &attributes)) return QImage();
    const QRect whole(0, 0, attributes.width, attributes.height);
    const QRect part = area.isNull() ? whole : area & whole;
    if (part.isEmpty()) return QImage();
    XImage* image = XGetImage(d, window, part.x(), part.y(), unsigned(part.width()),
                              unsigned(part.height()), AllPlanes, ZPixmap);
    if (!image) return QImage();
    QImage picture(image->width, image->height, QImage::Format_RGB32);
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x)
            picture.setPixel(x, y, 0xff000000u | (XGetPixel(image, x, y) & 0xffffffu));
    XDestroyImage(image);
    return picture;
}

#include "MainWindowResources.h"

#include <QtGlobal>

static void initMainWindowResources() { Q_INIT_RESOURCE(mainWindow); }

void MainWindowResources::init() {
    static bool done = false;
    if (!done) {
        initMainWindowResources();
        done = true;
    }
}

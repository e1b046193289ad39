#include "MainWindowResources.h"

#include "EmbeddedResource.h"

void MainWindowResources::init() { RV_INIT_RESOURCE_ONCE(mainWindow); }

#include "ConversionViewResources.h"

#include <QtGlobal>

static void initConversionViewResources() { Q_INIT_RESOURCE(conversionView); }

void ConversionViewResources::init() {
    static bool done = false;
    if (!done) {
        initConversionViewResources();
        done = true;
    }
}

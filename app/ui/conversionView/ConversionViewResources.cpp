#include "ConversionViewResources.h"

#include "EmbeddedResource.h"

void ConversionViewResources::init() { RV_INIT_RESOURCE_ONCE(conversionView); }

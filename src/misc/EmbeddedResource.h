#pragma once

#include <QtGlobal>

// Registers the embedded resource file `name` (name.qrc, built into a static library) once per
// process, from any thread; later calls cost one check. Qt declares the registering function
// in the enclosing namespace, so use it inside a function at global scope, before the first
// read of the resource.
#define RV_INIT_RESOURCE_ONCE(name)                                     \
    do {                                                                \
        static const bool registered = [] {                             \
            Q_INIT_RESOURCE(name);                                      \
            return true;                                                \
        }();                                                            \
        (void)registered;                                               \
    } while (false)

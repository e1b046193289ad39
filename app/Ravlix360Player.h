#pragma once

#include "SingleApplication.h"

// The program's application object: one instance per user runs the window; later launches
// are allowed as secondaries that open none.
class Ravlix360Player : public SingleApplication {
    Q_OBJECT

  public:
    Ravlix360Player(int& argc, char** argv);
};

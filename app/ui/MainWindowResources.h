#pragma once

// The pictures of the main window and its overlays, linked from a static library.
class MainWindowResources {
  public:
    // Registers them once; any thread before first use, normally the main thread.
    static void init();
};

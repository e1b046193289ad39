#pragma once

// The pictures of the conversion overlay, linked from a static library.
class ConversionViewResources {
  public:
    // Registers them once; on the main thread before first use.
    static void init();
};

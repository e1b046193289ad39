#pragma once

// Index 0 to 13 into the fixed colour table of text overlays and titles; 7 (black) means no
// background to the text overlays.
typedef int COLOR_STYLE;

class ColorStyleUtil {
  public:
    // Writes the table entry of style; an index outside 0..13 leaves r, g and b untouched.
    static void queryColorStyle(COLOR_STYLE style, int* r, int* g, int* b);
};

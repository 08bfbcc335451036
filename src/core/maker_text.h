// Lines of text for the maker's overlay: DejaVu Sans Mono through SDL_ttf,
// each line kept as a texture until its text changes. The font is looked for
// at run time ($DRENSOLK_MAKER_FONT, then Debian's fonts-dejavu-core path);
// without it every call draws nothing and the overlay shows no text.
// Main thread only, with the display's OpenGL context current.
#pragma once
#include <string>

// Opens the font once; false (and one line on stderr saying what to install)
// when there is none. Called again, it answers the first result.
bool maker_text_open();

// Draws `text` with its top-left corner at (x, y) in the current coordinate
// system, one unit a pixel, in colour (r, g, b) and alpha a, through slot
// `slot` (0..kMakerTextSlots-1: a line that keeps its slot is only rendered
// again when its text changes). Texturing and blending are switched on and
// the texture bound: callers save and restore OpenGL's state around it.
// Returns the line's width in pixels (0 without a font).
constexpr int kMakerTextSlots = 48;
int maker_text_draw(int slot, const std::string& text, float x, float y, float r, float g, float b, float a);

// Height of one line in pixels (0 without a font).
int maker_text_line_height();

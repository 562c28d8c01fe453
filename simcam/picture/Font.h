// Font.h - a 5x7 bitmap font (digits, capitals, space, ':', '.', '-') for
// the text the scene and the frame counter show.
#ifndef KOR_SIMCAM_PICTURE_FONT_H
#define KOR_SIMCAM_PICTURE_FONT_H

#include <windows.h>

#define SIM_GLYPH_WIDTH   5
#define SIM_GLYPH_HEIGHT  7
#define SIM_GLYPH_ADVANCE 6  // glyph plus one column of space

// Width and height in pixels of text drawn with each font pixel scale x scale.
LONG SimTextWidth(const char *pszText, LONG scale);
inline LONG SimTextHeight(LONG scale) { return SIM_GLYPH_HEIGHT * scale; }

// Whether pixel (x, y), relative to the text's top-left corner, is ink.
// Characters without a glyph are drawn as space; lowercase as capitals.
bool SimTextInk(const char *pszText, size_t cch, LONG scale, LONG x, LONG y);

#endif  // KOR_SIMCAM_PICTURE_FONT_H

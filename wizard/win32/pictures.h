// The wizard's artwork, drawn at run time (no bitmap resources).
#pragma once

#include <windows.h>

namespace scr {

// Image2 of the header band: a software box with a disc.
void DrawSoftwareBox(HDC dc, const RECT& rect, COLORREF background);
// Image1 of the Directory page: a yellow folder.
void DrawFolder(HDC dc, const RECT& rect, COLORREF background);

}  // namespace scr

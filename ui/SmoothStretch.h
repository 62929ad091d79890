// A smooth stretch of a 32-bit picture over a rectangle of a device context,
// drawn a band of rows at a time: each target pixel interpolated between the
// four source pixels around its place in the source, as the system's
// HALFTONE stretch does under Wine. Only a band is held besides the
// source; the system's stretch builds the whole target once more (5 MB for a
// 1280 x 1024 screen, held the moment the slideshow moves on).
#pragma once

#include <windows.h>

// Draws the source (width x height pixels, top row first, four bytes each,
// blue first) over target in dc; the rows outside the context's clip box
// are not computed. False when the source or the target is empty, or when
// memory for a band runs out; nothing is drawn then.
bool DrawSmoothStretch(HDC dc, const RECT& target, const BYTE* source, int width, int height);

// The host window's picture slideshow: the list of pictures, one picture
// fitted into a framed canvas, and the erase that draws it.
#pragma once

#include "framework/String.h"

#include <windows.h>

// Fills list with folder + name of every file matching pattern in folder
// (enumeration order, folders skipped). The current directory is restored.
void CollectPictures(CString folder, CString pattern, CStringArray& list);

// Loads one picture and fits it into a white 1024 x 768 canvas with a grey
// frame (a 32-bit section, as the screen draws it); the caller owns the
// bitmap. Null when the file is not a picture.
HBITMAP BuildBackdropBitmap(HWND window, CString path);

constexpr int kCanvasWidth = 1024;
constexpr int kCanvasHeight = 768;

// Where a picture of height / width ratio goes on the canvas: as large as
// fits, centred, every conversion truncated toward zero.
RECT FitIntoCanvas(float ratio);

// Draws the backdrop into dc over client: the picture at index (reset to 0
// when it runs past the list), or the teal fill without a usable picture.
void DrawBackdrop(HWND window, HDC dc, const RECT& client, const CStringArray& pictures,
                  int& index);

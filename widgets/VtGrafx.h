// Bitmap and device-context helpers of the Vt controls: a transparent stretched copy, a vertical flip, tiling by
// doubling, mirroring a quarter, gradient fills in ten directions and a parent's background behind a
// transparent control.
#pragma once

#include "platform/ui/Graphics.h"

class TBitmap;
class TControl;

// Pixels of the transparent colour in the source leave the destination untouched.
void StretchBitmapTransparent(TCanvas* dest, const TRect& destRect, TBitmap* src, const TRect& srcRect,
                              TColor transparentColor);
void FlipBitmapVertical(TBitmap* bitmap);
// Fills totalW x totalH at (x, y) by copying the covered block next to itself; an empty block does nothing.
void TileByDoubling(HDC dc, int x, int y, DWORD rop, int coveredH, int coveredW, int totalH, int totalW);
// Makes the w x h area at (x, y) symmetric from its top-left quarter.
void MirrorQuadrant(HDC dc, int x, int y, DWORD rop, int h, int w);

// Directions: 0 and 1 diagonal (1 mirrored); 2 top to bottom, 3 edges to the middle row; 5 left to right,
// 6 sides to the middle column; 4, 7, 8, 9 boxes towards the centre. An empty rectangle draws nothing.
void DrawGradient(TCanvas* c, const TRect& r, int direction, TColor startColor, TColor endColor, BYTE steps);
// A banded gradient on an 8-pixel strip at the origin, down the rows or along the columns. Without a split
// (split < 0) the far-end colour sits at the far end; with one it sits at index split + 1 and the other side
// runs back to the near-end colour.
void DrawLinearGradientBands(HDC dc, bool alongRows, int split, int length, TColor nearColor, TColor farColor,
                             BYTE steps);
void DrawBoxGradient(HDC dc, int width, int height, int xOffset, int yOffset, TColor startColor, TColor endColor,
                     BYTE steps);
// A negative width mirrors the diagonal.
void DrawDiagonalGradient(HDC dc, int width, int height, TColor startColor, TColor endColor, BYTE steps);

// Paints what the parent shows behind the control onto dc (the control's own coordinates).
void DrawParentBackground(TControl* control, HDC dc);

// Pixel work of the viewer's cached painting: blending a layer painted on a black work bitmap into its target
// with the layer's transparency and addition, and pasting the labels and charts overlays.
#pragma once

#include "platform/ui/Windows.h"

class TBitmap;

// Percentage p of the layer's own colour (0..100) and signed addition q (-100..100).
struct TGIS_Blend {
    int P = 100;
    int Q = 0;
    // Opaque: the layer paints straight onto its target, no work bitmap.
    bool Opaque() const { return P == 100 && Q == 0; }
};

// From a section's Transparency and Addition, each clamped to its range, so that no value leaves the byte tables.
TGIS_Blend GisBlendOf(int transparency, int addition);

// Blends every non-black pixel of `work` within r into `target` (same size; 24 or 32 bits per pixel).
// Without addition each channel becomes target * (1 - p/100) + work * p/100 in whole-byte steps; with one,
// (p x target) div 100 + (q x work) div 100, clamped to 0..255. Black work pixels leave the target alone.
void GisBlendBitmap(TBitmap& target, TBitmap& work, const TRect& r, const TGIS_Blend& blend);

// Every pixel of `overlay` within r that is not pure black replaces the target's pixel.
void GisPasteOverlay(TBitmap& target, TBitmap& overlay, const TRect& r);

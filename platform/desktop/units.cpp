#include "platform/desktop/units.h"

bool TwipsToPixels(float twips, int dpi, int& pixels) {
    const double px = double(twips) * dpi / kTwipsPerInch + 0.5;
    if (!(px >= -1e6 && px <= 1e6)) return false;  // also a value that is no number
    // Rounded down: the conversion cuts towards zero, one less below zero.
    int whole = static_cast<int>(px);
    if (whole > px) --whole;
    pixels = whole;
    return true;
}

float PixelsToTwips(int pixels, int dpi) { return float(double(pixels) * kTwipsPerInch / dpi); }

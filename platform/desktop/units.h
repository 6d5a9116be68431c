// Screen units: the designs are in twips, 1440 to the inch; the screen is in
// pixels at its own dots per inch.
#pragma once

constexpr int kTwipsPerInch = 1440;

// Twips to pixels at a given dots per inch, rounded to the nearest pixel;
// false for a value that is no finite number or too large for a position.
bool TwipsToPixels(float twips, int dpi, int& pixels);
float PixelsToTwips(int pixels, int dpi);

// What the tests, the fuzz target and the benchmark compare the launcher's
// JPEG pixels with: libjpeg-turbo's accurate decode (Debian's
// libjpeg62-turbo-dev: the integer IDCT, JDCT_ISLOW, and smooth upsampling).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct RgbPicture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;  // red, green, blue, top row first
};

// libjpeg-turbo's accurate decode: grey as three equal samples, CMYK and
// YCCK (Adobe's inverted inks) as c * k / 255, the way stb_image shows them.
// False when it refuses the file (or it has more than 500 scans). `warnings`
// counts what it found wrong in a file it still decoded (damaged entropy
// data, a premature end, bytes between markers): 0 for a whole stream.
//
// A whole stream may still be one no two decoders show alike: a block whose
// samples lie far outside 0..255 (libjpeg-turbo's range limit wraps those
// more than 512 from the middle round, others clamp them), or whose
// coefficients no longer fit 16 bits once dequantized (some decoders keep
// them so, and they wrap). With `inRange`, a whole stream's coefficients are
// read again and it is set when every block's samples, by the exact inverse
// DCT, stay within 480 of the middle and every coefficient fits.
bool LibjpegDecode(const std::uint8_t* data, std::size_t size, RgbPicture& out, int& warnings,
                   bool* inRange = nullptr);

// Peak signal-to-noise ratio of two pictures of the same size, in dB over
// their red, green and blue samples; infinity when they are equal.
double Psnr(const RgbPicture& a, const RgbPicture& b);

// JPEG (baseline and progressive, grey and colour) through stb_image, as
// Debian's libstb-dev ships it: only this format, reading from memory only,
// no SIMD, no thread-local storage, its blocks from malloc, which the
// launcher's own runtime takes from the process heap and which may fail:
// stb_image then gives no picture.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_SIMD
#define STBI_NO_THREAD_LOCALS
#define STBI_NO_FAILURE_STRINGS
#include <stb_image.h>

#include <cstdlib>

#include "pictures/picture_load.h"

namespace {

// stb_image 2.27 (Debian 12's) writes past its Huffman tables when a JPEG's
// table claims more than 256 codes: every table of the file is checked here
// first, the entropy-coded data between the markers skipped.
bool HuffmanTablesFit(const std::uint8_t* d, std::size_t size) {
    std::size_t i = 2;
    while (i + 4 <= size) {
        if (d[i] != 0xFF) {  // entropy-coded data, up to the next marker
            ++i;
            continue;
        }
        const std::uint8_t marker = d[i + 1];
        if (marker == 0x00 || marker == 0xFF || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            i += marker == 0xFF ? 1 : 2;
            continue;
        }
        if (marker == 0xD9) break;
        const std::size_t length = (d[i + 2] << 8) | d[i + 3];
        if (length < 2 || length > size - i - 2) return false;
        if (marker == 0xC4) {
            std::size_t at = i + 4;
            const std::size_t end = i + 2 + length;
            while (at < end) {
                if (end - at < 17) return false;
                std::size_t codes = 0;
                for (int k = 1; k <= 16; ++k) codes += d[at + k];
                if (codes > 256 || codes > end - at - 17) return false;
                at += 17 + codes;
            }
        }
        i += 2 + length;
    }
    return true;
}

}  // namespace

bool StartJpeg(PictureLoad& load, std::size_t size) {
    if (!HuffmanTablesFit(load.file, size)) return false;
    int width = 0, height = 0, inFile = 0;
    load.pixels = stbi_load_from_memory(load.file, static_cast<int>(size), &width, &height, &inFile, 3);
    // The file is done with: its block goes before the DIB section is made.
    std::free(load.ownFile);
    load.ownFile = nullptr;
    load.file = nullptr;
    return load.pixels && load.SetSection(width, height, 24, 0);
}

// stb_image's rows, red, green and blue from the top, copied once into the
// section's rows, blue, green and red from the bottom.
void FinishJpeg(PictureLoad& load, std::uint8_t* bits) {
    const std::size_t w = static_cast<std::size_t>(load.width), stride = load.stride();
    const std::uint8_t* from = load.pixels;
    for (int y = load.height - 1; y >= 0; --y) {
        std::uint8_t* to = bits + stride * static_cast<std::size_t>(y);
        for (std::size_t x = 0; x < w; ++x, from += 3, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
}

void FreeJpeg(std::uint8_t* pixels) { stbi_image_free(pixels); }

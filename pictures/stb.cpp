// JPEG (baseline and progressive, grey and colour) through stb_image, as
// Debian's libstb-dev ships it: only this format, reading from memory only,
// no SIMD, no thread-local storage, its blocks from malloc, which the
// launcher's own runtime takes from the process heap and which may fail:
// stb_image then gives no picture.
#define STBI_ONLY_JPEG
#include "pictures/stb_image_config.h"

#include <cstdlib>

#include "pictures/picture_load.h"

namespace {

// stb_image 2.27 (Debian 12's) writes past its Huffman tables when a JPEG's
// table claims more than 256 codes, and decodes a scan with a table the file
// never defined from memory it never set (reading far past its tables): the
// file's markers are walked here first, the entropy-coded data between them
// skipped, every table checked and every scan's tables required defined.
bool HuffmanTablesFit(const std::uint8_t* d, std::size_t size) {
    bool defined[2][4] = {};  // DC and AC tables 0 to 3
    bool progressive = false;
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
        const std::size_t end = i + 2 + length;
        if (marker == 0xC4) {
            std::size_t at = i + 4;
            while (at < end) {
                if (end - at < 17) return false;
                const unsigned kind = d[at] >> 4, id = d[at] & 15;
                if (kind > 1 || id > 3) return false;
                std::size_t codes = 0;
                for (int k = 1; k <= 16; ++k) codes += d[at + k];
                if (codes > 256 || codes > end - at - 17) return false;
                defined[kind][id] = true;
                at += 17 + codes;
            }
        } else if (marker == 0xC2) {
            progressive = true;
        } else if (marker == 0xDA) {
            // A sequential scan decodes with both tables of each component, a
            // progressive one with the DC table in its first DC scan and the
            // AC table in an AC scan.
            const std::size_t components = length >= 3 ? d[i + 4] : 0;
            if (length < 6 + 2 * components) return false;
            const std::size_t spectrum = i + 5 + 2 * components;
            const bool dc = !progressive || (d[spectrum] == 0 && (d[spectrum + 2] >> 4) == 0);
            const bool ac = !progressive || d[spectrum + 1] != 0;
            for (std::size_t c = 0; c < components; ++c) {
                const unsigned tables = d[i + 6 + 2 * c];
                if ((tables >> 4) > 3 || (tables & 15) > 3) return false;
                if ((dc && !defined[0][tables >> 4]) || (ac && !defined[1][tables & 15])) return false;
            }
        }
        i = end;
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

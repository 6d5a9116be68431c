// JPEG (baseline and progressive, grey and colour) and GIF (87a and 89a,
// interlaced; the first frame) through stb_image, as Debian's libstb-dev
// ships it: only these two formats, reading from memory only, no SIMD, no
// thread-local storage, its blocks from malloc, which the launcher's own
// runtime takes from the process heap.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_JPEG
#define STBI_ONLY_GIF
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_SIMD
#define STBI_NO_THREAD_LOCALS
#define STBI_NO_FAILURE_STRINGS
#include <stb_image.h>

#include <utility>

#include "pictures/dib.h"
#include "pictures/picture_format.h"

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

bool DecodeJpegOrGif(const std::uint8_t* data, std::size_t size, PictureColor behind, Dib& out) {
    if (size == 0 || size > kMaxPictureFileSize) return false;
    const bool gif = size >= 3 && data[0] == 'G' && data[1] == 'I' && data[2] == 'F';
    if (!gif && !HuffmanTablesFit(data, size)) return false;
    const int channels = gif ? 4 : 3;
    int width = 0, height = 0, inFile = 0;
    stbi_uc* pixels = stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &inFile, channels);
    if (!pixels) return false;
    Dib dib;
    const bool ok = MakeDib(width, height, 24, 0, dib);
    if (ok) {
        const unsigned back[3] = {(behind >> 16) & 0xFF, (behind >> 8) & 0xFF, behind & 0xFF};  // blue, green, red
        const std::size_t w = static_cast<std::size_t>(width);
        for (int y = 0; y < height; ++y) {
            const stbi_uc* from = pixels + static_cast<std::size_t>(y) * w * channels;
            std::uint8_t* to = dib.bytes.data() + dib.bitsOffset() + dib.stride() * static_cast<std::size_t>(height - 1 - y);
            for (std::size_t x = 0; x < w; ++x, from += channels, to += 3) {
                const unsigned alpha = gif ? from[3] : 255u;
                for (int c = 0; c < 3; ++c)
                    to[c] = static_cast<std::uint8_t>((from[2 - c] * alpha + back[c] * (255u - alpha) + 127u) / 255u);
            }
        }
    }
    stbi_image_free(pixels);
    if (ok) out = std::move(dib);
    return ok;
}

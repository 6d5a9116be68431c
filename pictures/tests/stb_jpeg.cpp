// The launcher's JPEG path before its own decoder, as it was: the checks of
// picture_format.cpp and stb.cpp of that revision, copied here unchanged in
// what they accept, and stb_image 2.27 built as the launcher built it.
#include "pictures/tests/stb_jpeg.h"

#include <cstdlib>
#include <cstring>

namespace {

std::uint8_t g_fill = 0;

void* FilledBlock(std::size_t size) {
    void* block = std::malloc(size);
    if (block) std::memset(block, g_fill, size);
    return block;
}

}  // namespace

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_SIMD
#define STBI_NO_THREAD_LOCALS
#define STBI_NO_FAILURE_STRINGS
#define STBI_MALLOC(size) FilledBlock(size)
#define STBI_REALLOC(block, size) realloc(block, size)
#define STBI_FREE(block) free(block)
#include <stb_image.h>

namespace {

constexpr std::int64_t kMaxPixels = 4096LL * 4096LL;
constexpr std::size_t kMaxFileSize = 64u * 1024u * 1024u;

// The frame's size, from the markers before it; false for a file whose
// markers before the frame header do not follow one another, or that ends
// with the frame header.
bool FrameSize(const std::uint8_t* d, std::size_t size, int& width, int& height) {
    std::size_t i = 2;
    while (i + 4 <= size) {
        if (d[i] != 0xFF) return false;
        const std::uint8_t marker = d[i + 1];
        if (marker == 0xFF) {
            ++i;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            i += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return false;
        const std::size_t length = (d[i + 2] << 8) | d[i + 3];
        if (length < 2 || i + 2 + length > size) return false;
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (length < 7) return false;
            height = (d[i + 5] << 8) | d[i + 6];
            width = (d[i + 7] << 8) | d[i + 8];
            return width > 0 && height > 0 && static_cast<std::int64_t>(width) * height <= kMaxPixels &&
                   i + 2 + length < size;
        }
        i += 2 + length;
    }
    return false;
}

// Every Huffman table of at most 256 codes, and every table a scan decodes
// with defined before it.
bool HuffmanTablesFit(const std::uint8_t* d, std::size_t size) {
    bool defined[2][4] = {};
    bool progressive = false;
    std::size_t i = 2;
    while (i + 4 <= size) {
        if (d[i] != 0xFF) {
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

bool StbJpeg(const std::uint8_t* data, std::size_t size, int& width, int& height, std::vector<std::uint8_t>& rgb,
             std::uint8_t fill) {
    if (size < 3 || size > kMaxFileSize || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF) return false;
    int frameWidth = 0, frameHeight = 0;
    if (!FrameSize(data, size, frameWidth, frameHeight) || !HuffmanTablesFit(data, size)) return false;
    g_fill = fill;
    int inFile = 0;
    stbi_uc* pixels = stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &inFile, 3);
    if (!pixels) return false;
    const bool same = width == frameWidth && height == frameHeight;
    if (same) rgb.assign(pixels, pixels + 3 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    stbi_image_free(pixels);
    return same;
}

// stb_image 2.27's GIF decoder, which read the launcher's GIFs before its
// own decoder did: what the tests hold the launcher's to.
#pragma once

#include <cstdlib>

#define STBI_ONLY_GIF
#include "pictures/stb_image_config.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The first image of a GIF as stb_image composes it, each pixel as
// 0x00BBGGRR, top row first, the transparent ones `behind`; false for a
// file it refuses.
inline bool StbGif(const std::uint8_t* data, std::size_t size, std::uint32_t behind, int& width, int& height,
                   std::vector<std::uint32_t>& pixels) {
    int channels = 0;
    stbi_uc* rgba = stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &channels, 4);
    if (!rgba) return false;
    pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const stbi_uc* p = rgba + 4 * i;
        pixels[i] = p[3] ? static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16) : behind;
    }
    stbi_image_free(rgba);
    return true;
}

// Whether the launcher's colour `got` for a pixel is stb_image's `want`,
// given the GIF: the same colour, but for the pixels the image leaves out,
// where stb_image shows the screen's background colour with its red and
// blue exchanged (it copies the table entry as it keeps it, blue first),
// and where, with 256 colours and none of them the colour wanted, the
// launcher shows the nearest.
inline bool SameAsStb(std::uint32_t got, std::uint32_t want, std::uint32_t behind, const std::uint8_t* gif,
                      std::size_t size, bool room) {
    if (got == want) return true;
    std::uint32_t background = behind;
    if (size > 11 && gif[11] > 0) {
        background = 0;
        const std::size_t at = 13 + 3 * static_cast<std::size_t>(gif[11]);
        if ((gif[10] & 0x80) && gif[11] < (2 << (gif[10] & 7)) && at + 3 <= size)
            background = static_cast<std::uint32_t>(gif[at] | gif[at + 1] << 8 | gif[at + 2] << 16);
    }
    const std::uint32_t exchanged = (background >> 16 & 0xFF) | (background & 0xFF00) | (background & 0xFF) << 16;
    if (want == exchanged) return got == background || !room;
    return want == behind && !room;
}

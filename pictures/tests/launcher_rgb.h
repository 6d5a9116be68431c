// The launcher's load of a picture file as the window thread makes it (the
// headers, then the pixels into a section's bits, the file read from a
// source a piece at a time), turned into red, green and blue for the
// comparisons of the tests and the fuzz target.
#pragma once

#include <algorithm>
#include <cstring>
#include <vector>

#include "pictures/dib.h"
#include "pictures/picture_load.h"
#include "pictures/tests/jpeg_compare.h"

namespace launcher_rgb {

struct Pieces {
    const std::uint8_t* data;
    std::size_t size, at, most;
};

inline std::size_t Read(void* context, std::uint8_t* to, std::size_t n) {
    auto* p = static_cast<Pieces*>(context);
    n = std::min({n, p->most, p->size - p->at});
    std::memcpy(to, p->data + p->at, n);
    p->at += n;
    return n;
}

}  // namespace launcher_rgb

// False when the launcher refuses the file. `data` should be a block of
// exactly `size` bytes, so that the sanitizers see a read past it; `piece`
// is the most a read gives.
inline bool LauncherDecode(const std::uint8_t* data, std::size_t size, std::size_t piece, RgbPicture& out) {
    launcher_rgb::Pieces pieces{data, size, 0, piece};
    PictureSource source;
    source.read = launcher_rgb::Read;
    source.context = &pieces;
    source.size = size;
    PictureLoad load;
    if (!StartPictureLoad(source, 0, load)) return false;
    Dib dib;
    dib.width = load.width;
    dib.height = load.height;
    dib.bitCount = load.bitCount;
    dib.colors = load.colors;
    dib.bytes.assign(dib.bitsOffset() + load.bitsSize(), 0);
    std::memcpy(dib.bytes.data(), load.info(), dib.bitsOffset());
    if (!FinishPictureLoad(source, load, dib.bytes.data() + dib.bitsOffset())) return false;
    out.width = dib.width;
    out.height = dib.height;
    out.rgb.resize(3 * static_cast<std::size_t>(dib.width) * static_cast<std::size_t>(dib.height));
    std::uint8_t* to = out.rgb.data();
    for (int y = 0; y < dib.height; ++y)
        for (int x = 0; x < dib.width; ++x, to += 3) {
            const std::uint8_t* bgr = dib.Colour(x, dib.height - 1 - y);
            to[0] = bgr[2], to[1] = bgr[1], to[2] = bgr[0];
        }
    return true;
}

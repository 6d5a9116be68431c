// Any file offered as a picture: what the check accepts as a plain bitmap
// must lie inside the file, and every decoder (bitmaps of every kind, JPEG,
// GIF) reads only the bytes given and makes a whole Dib or none, whose
// indices stay inside its colour table. Read through a source in small
// pieces, as the launcher reads a file, a bitmap or GIF gives the same
// verdict and the same section. A GIF gets the verdict and the colours
// stb_image 2.27 gave it, which read GIFs before (SameAsStb: but for the
// pixels the image leaves out).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "pictures/dib.h"
#include "pictures/picture_format.h"
#include "pictures/tests/stb_gif.h"

namespace {

struct Pieces {
    const std::uint8_t* data;
    std::size_t size, at, most;
};

std::size_t ReadPieces(void* context, std::uint8_t* to, std::size_t n) {
    auto* p = static_cast<Pieces*>(context);
    n = std::min({n, p->most, p->size - p->at});
    std::memcpy(to, p->data + p->at, n);
    p->at += n;
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PictureInfo info = InspectPicture(data, size);
    if (info.ok && info.plainBitmap &&
        (info.bitsOffset > size || info.bitsSize > size - info.bitsOffset || info.infoOffset + 40 > info.bitsOffset))
        __builtin_trap();
    if (info.ok && (info.width <= 0 || static_cast<std::int64_t>(info.width) * (info.height < 0 ? -info.height : info.height) >
                                           kMaxPicturePixels))
        __builtin_trap();

    // A copy of exactly the given size, so that a read past it is seen.
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[size ? size : 1]);
    for (std::size_t i = 0; i < size; ++i) exact[i] = data[i];
    Dib dib;
    const bool decoded = DecodePicture(exact.get(), size, 0x00336699, dib);
    Pieces pieces{exact.get(), size, 0, 1 + size % 61};
    PictureSource source;
    source.read = ReadPieces;
    source.context = &pieces;
    source.size = size;
    PictureLoad load;
    bool read = StartPictureLoad(source, 0x00336699, load);
    // stb_image reads fields of its own that it has not set when a JPEG is
    // damaged, so its verdict and pixels on such a file follow what its
    // heap held: only the launcher's own decoders are held to the same.
    const bool jpeg = info.format == PictureFormat::Jpeg;
    if (read) {
        std::vector<std::uint8_t> bits(load.bitsSize());
        read = FinishPictureLoad(source, load, bits.data());
        if (read && decoded && !jpeg &&
            (std::memcmp(load.info(), dib.bytes.data(), dib.bitsOffset()) != 0 ||
             std::memcmp(bits.data(), dib.bits(), bits.size()) != 0))
            __builtin_trap();  // read in pieces, another picture
    }
    if (read != decoded && !jpeg) __builtin_trap();  // read in pieces, another verdict
    if (info.ok && info.format == PictureFormat::Gif) {
        int width = 0, height = 0;
        std::vector<std::uint32_t> want;
        if (StbGif(exact.get(), size, 0x00336699, width, height, want) != decoded) __builtin_trap();
        if (decoded) {
            const bool room = dib.colors < 256;  // for a colour the table lacks
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const std::uint8_t* e = dib.Colour(x, height - 1 - y);
                    const auto got = static_cast<std::uint32_t>(e[2] | e[1] << 8 | e[0] << 16);
                    const std::uint32_t expected = want[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                                        static_cast<std::size_t>(x)];
                    if (!SameAsStb(got, expected, 0x00336699, exact.get(), size, room)) __builtin_trap();  // another colour
                }
        }
    }
    if (decoded) {
        if (!info.ok || (dib.bitCount != 1 && dib.bitCount != 4 && dib.bitCount != 8 && dib.bitCount != 24) ||
            dib.bytes.size() != dib.bitsOffset() + dib.stride() * static_cast<std::size_t>(dib.height))
            __builtin_trap();
        if (dib.bitCount < 24 && dib.colors != 1 << dib.bitCount)
            for (std::size_t i = dib.bitsOffset(); i < dib.bytes.size(); ++i)
                if (dib.bytes[i] >= dib.colors && (i - dib.bitsOffset()) % dib.stride() < static_cast<std::size_t>(dib.width))
                    __builtin_trap();  // an index past the colour table
    }
    return 0;
}

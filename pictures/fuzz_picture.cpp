// Any file offered as a picture: what the check accepts as a plain bitmap
// must lie inside the file, and every decoder (bitmaps of every kind, JPEG,
// GIF) reads only the bytes given and makes a whole Dib or none, whose
// indices stay inside its colour table.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "pictures/dib.h"
#include "pictures/picture_format.h"

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
    if (DecodePicture(exact.get(), size, 0x00336699, dib)) {
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

// Any file offered as a picture: what the check accepts as a plain bitmap
// must lie inside the file.
#include <cstddef>
#include <cstdint>

#include "pictures/picture_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PictureInfo info = InspectPicture(data, size);
    if (info.ok && info.plainBitmap &&
        (info.bitsOffset > size || info.bitsSize > size - info.bitsOffset || info.infoOffset + 40 > info.bitsOffset))
        __builtin_trap();
    if (info.ok && (info.width <= 0 || static_cast<std::int64_t>(info.width) * (info.height < 0 ? -info.height : info.height) >
                                           kMaxPicturePixels))
        __builtin_trap();
    return 0;
}

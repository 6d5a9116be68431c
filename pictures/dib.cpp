#include "pictures/dib.h"

#include <utility>

#include "pictures/picture_format.h"

namespace {

void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

}  // namespace

bool MakeDib(int width, int height, int bitCount, int colors, Dib& out) {
    if (width <= 0 || height <= 0 || static_cast<std::int64_t>(width) * height > kMaxPicturePixels) return false;
    if (bitCount != 8 && bitCount != 24) return false;
    if (bitCount == 8 ? colors < 1 || colors > 256 : colors != 0) return false;
    out.width = width;
    out.height = height;
    out.bitCount = bitCount;
    out.colors = colors;
    const std::size_t pixels = out.stride() * static_cast<std::size_t>(height);
    out.bytes.assign(out.bitsOffset() + pixels, 0);
    std::uint8_t* h = out.bytes.data();
    Put32(h, 40);
    Put32(h + 4, static_cast<std::uint32_t>(width));
    Put32(h + 8, static_cast<std::uint32_t>(height));
    Put16(h + 12, 1);
    Put16(h + 14, static_cast<std::uint32_t>(bitCount));
    Put32(h + 16, 0);  // BI_RGB
    Put32(h + 20, static_cast<std::uint32_t>(pixels));
    Put32(h + 32, static_cast<std::uint32_t>(colors));
    return true;
}

bool DecodePicture(const std::uint8_t* data, std::size_t size, PictureColor behind, Dib& out) {
    const PictureInfo info = InspectPicture(data, size);
    if (!info.ok) return false;
    Dib dib;
    const bool ok = info.format == PictureFormat::Bmp ? DecodeBmp(data, size, dib)
                                                      : DecodeJpegOrGif(data, size, behind, dib);
    if (!ok || dib.width != info.width || dib.height != (info.height < 0 ? -info.height : info.height)) return false;
    out = std::move(dib);
    return true;
}

#include "pictures/dib.h"

#include <cstring>
#include <utility>

bool MakeDib(int width, int height, int bitCount, int colors, Dib& out) {
    if (bitCount != 8 && bitCount != 24) return false;
    PictureLoad load;
    if (!load.SetSection(width, height, bitCount, colors)) return false;
    out.width = width;
    out.height = height;
    out.bitCount = bitCount;
    out.colors = colors;
    out.bytes.assign(out.bitsOffset() + load.bitsSize(), 0);
    std::memcpy(out.bytes.data(), load.info(), 40);
    return true;
}

bool DecodePicture(const std::uint8_t* data, std::size_t size, PictureColor behind, Dib& out) {
    PictureSource source = MemorySource(data, size);
    PictureLoad load;
    if (!StartPictureLoad(source, behind, load)) return false;
    Dib dib;
    dib.width = load.width;
    dib.height = load.height;
    dib.bitCount = load.bitCount;
    dib.colors = load.colors;
    dib.bytes.assign(dib.bitsOffset() + load.bitsSize(), 0);
    std::memcpy(dib.bytes.data(), load.info(), dib.bitsOffset());
    if (!FinishPictureLoad(source, load, dib.bytes.data() + dib.bitsOffset())) return false;
    out = std::move(dib);
    return true;
}

bool DecodeBmp(const std::uint8_t* data, std::size_t size, Dib& out) {
    return size >= 2 && data[0] == 'B' && data[1] == 'M' && DecodePicture(data, size, 0, out);
}

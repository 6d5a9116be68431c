#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "pictures/picture_format.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = v & 0xFF;
    b[at + 1] = (v >> 8) & 0xFF;
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

// A bitmap file with a 40-byte header and its pixels.
Bytes Bitmap(std::int32_t width, std::int32_t height, int bits = 24, std::uint32_t compression = 0) {
    const std::uint32_t palette = bits <= 8 ? 4u << bits : 0;
    const std::uint32_t stride = ((std::uint32_t(width) * bits + 31) / 32) * 4;
    const std::uint32_t rows = height < 0 ? -height : height;
    Bytes b(54 + palette + stride * rows, 0);
    b[0] = 'B', b[1] = 'M';
    Put32(b, 2, static_cast<std::uint32_t>(b.size()));
    Put32(b, 10, 54 + palette);
    Put32(b, 14, 40);
    Put32(b, 18, static_cast<std::uint32_t>(width));
    Put32(b, 22, static_cast<std::uint32_t>(height));
    Put16(b, 26, 1);
    Put16(b, 28, bits);
    Put32(b, 30, compression);
    return b;
}

Bytes Jpeg(int width, int height, bool withData = true) {
    Bytes b = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 'J', 'F',           // SOI, APP0
               0xFF, 0xC0, 0x00, 0x0B, 8,    0,    0,    0,    0, 1,  // SOF0 with one component
               1,    0x11, 0};
    auto byte = [](int value) { return static_cast<std::uint8_t>(value & 0xFF); };
    b[13] = byte(height >> 8), b[14] = byte(height), b[15] = byte(width >> 8), b[16] = byte(width);
    if (withData)
        for (int marker : {0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9}) b.push_back(byte(marker));
    return b;
}

TEST(InspectPicture, AcceptsSoundPictures) {
    struct Case {
        const char* name;
        Bytes bytes;
        PictureFormat format;
        bool plain;
    } cases[] = {
        {"24-bit bitmap", Bitmap(617, 564), PictureFormat::Bmp, true},
        {"8-bit bitmap", Bitmap(122, 230, 8), PictureFormat::Bmp, true},
        {"1-bit bitmap", Bitmap(33, 2, 1), PictureFormat::Bmp, true},
        {"top-down bitmap", Bitmap(10, -10), PictureFormat::Bmp, true},
        {"run-length bitmap", Bitmap(10, 10, 8, 1), PictureFormat::Bmp, false},
        {"jpeg", Jpeg(617, 564), PictureFormat::Jpeg, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PictureInfo info = InspectPicture(c.bytes.data(), c.bytes.size());
        EXPECT_TRUE(info.ok);
        EXPECT_EQ(info.format, c.format);
        EXPECT_EQ(info.plainBitmap, c.plain);
    }
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 20, 0, 10, 0, 0, 0, 0};
    gif.resize(40, 0);
    EXPECT_TRUE(InspectPicture(gif.data(), gif.size()).ok);
}

TEST(InspectPicture, RefusesBrokenOrHugePictures) {
    Bytes truncated = Bitmap(617, 564);
    truncated.resize(truncated.size() - 1);
    Bytes badOffset = Bitmap(10, 10);
    Put32(badOffset, 10, static_cast<std::uint32_t>(badOffset.size()));
    Bytes zeroPlanes = Bitmap(10, 10);
    Put16(zeroPlanes, 26, 0);
    Bytes oddBits = Bitmap(10, 10);
    Put16(oddBits, 28, 7);
    Bytes tooManyColours = Bitmap(10, 10, 8);
    Put32(tooManyColours, 46, 257);
    Bytes paletteOverPixels = Bitmap(10, 10, 8);
    Put32(paletteOverPixels, 10, 54 + 100);
    Bytes hugeHeader = Bitmap(10, 10);
    Put32(hugeHeader, 14, 0xFFFFFFF0u);
    Bytes huge = Bitmap(1, 1);  // the header of a 30000 x 30000 picture
    Put32(huge, 18, 30000);
    Put32(huge, 22, 30000);
    Bytes negative = Bitmap(1, 10);
    Put32(negative, 18, static_cast<std::uint32_t>(-4));
    Bytes gifHuge = {'G', 'I', 'F', '8', '7', 'a', 0xFF, 0xFF, 0xFF, 0xFF};
    gifHuge.resize(40, 0);
    const struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"empty", {}},
        {"two bytes", {'B', 'M'}},
        {"text", Bytes{'[', 'S', 'e', 't', 'u', 'p', '3', '2', ']'}},
        {"truncated bitmap", truncated},
        {"pixels outside the file", badOffset},
        {"no planes", zeroPlanes},
        {"7 bits per pixel", oddBits},
        {"257 colours", tooManyColours},
        {"palette over the pixels", paletteOverPixels},
        {"header larger than the file", hugeHeader},
        {"30000 x 30000", huge},
        {"zero width", Bitmap(0, 10)},
        {"negative width", negative},
        {"jpeg 30000 x 30000", Jpeg(30000, 30000)},
        {"jpeg without image data", Jpeg(100, 100, false)},
        {"jpeg header only", Bytes{0xFF, 0xD8, 0xFF}},
        {"gif 65535 x 65535", gifHuge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(InspectPicture(c.bytes.data(), c.bytes.size()).ok);
    }
}

}  // namespace

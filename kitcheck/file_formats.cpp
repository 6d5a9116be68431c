#include "kitcheck/file_formats.h"

#include <cstdint>

namespace {

struct Signature {
    std::size_t offset;
    std::string bytes;
    const char* format;
};

bool Has(const std::string& data, const Signature& s) {
    return data.size() >= s.offset + s.bytes.size() && data.compare(s.offset, s.bytes.size(), s.bytes) == 0;
}

}  // namespace

std::string PictureFormatOf(const std::string& data) {
    using namespace std::string_literals;
    static const Signature signatures[] = {
        {0, "BM"s, "BMP"},
        {0, "\xFF\xD8\xFF"s, "JPEG"},
        {0, "GIF87a"s, "GIF"},
        {0, "GIF89a"s, "GIF"},
        {0, "\x89PNG\r\n\x1A\n"s, "PNG"},
        {0, "II*\0"s, "TIFF"},
        {0, "MM\0*"s, "TIFF"},
        {0, "\0\0\1\0"s, "ICO (ícone do Windows)"},
        {0, "\0\0\2\0"s, "CUR (cursor do Windows)"},
        {0, "\xD7\xCD\xC6\x9A"s, "WMF (metarquivo do Windows)"},
        {40, " EMF"s, "EMF (metarquivo do Windows)"},
        {0, "8BPS"s, "PSD (Photoshop)"},
        {4, "ftypavif"s, "AVIF"},
        {4, "ftypheic"s, "HEIC"},
        {0, "\0\0\0\x0CjP  \r\n\x87\n"s, "JPEG 2000"},
        {0, "%PDF"s, "PDF"},
        {0, "%!PS"s, "PostScript"},
        {0, "<svg"s, "SVG"},
        {0, "<?xml"s, "XML (talvez SVG)"},
    };
    for (const Signature& s : signatures)
        if (Has(data, s)) return s.format;
    if (data.size() >= 12 && data.compare(0, 4, "RIFF") == 0 && data.compare(8, 4, "WEBP") == 0) return "WebP";
    // PCX: the maker byte 10, a version of 0 to 5 and run-length coding 0 or 1.
    if (data.size() >= 128 && static_cast<std::uint8_t>(data[0]) == 0x0A && static_cast<std::uint8_t>(data[1]) <= 5 &&
        static_cast<std::uint8_t>(data[2]) <= 1)
        return "PCX";
    return "";
}

#include "kitcheck/picture_check.h"

#include "kitcheck/file_formats.h"
#include "pictures/dib.h"
#include "pictures/picture_format.h"

namespace {

constexpr std::size_t kHeaderBytes = 64 * 1024;

std::uint32_t U16(const std::string& d, std::size_t at) {
    return static_cast<unsigned char>(d[at]) | static_cast<unsigned char>(d[at + 1]) << 8;
}
std::uint32_t U32(const std::string& d, std::size_t at) { return U16(d, at) | U16(d, at + 2) << 16; }
std::uint32_t Be16(const std::string& d, std::size_t at) {
    return static_cast<unsigned char>(d[at]) << 8 | static_cast<unsigned char>(d[at + 1]);
}

// The size, depth and kind the header gives; false when it gives none.
bool ReadHeader(const std::string& d, PictureFacts& f) {
    if (f.format == "BMP") {
        if (d.size() < 26) return false;
        const std::uint32_t header = U32(d, 14);
        if (header == 12) {
            f.width = static_cast<int>(U16(d, 18));
            f.height = static_cast<int>(U16(d, 20));
            f.bits = static_cast<int>(U16(d, 24));
            f.kind = f.bits == 24 ? "bmp24" : f.bits == 8 ? "bmp8" : "bmp-other";
            return true;
        }
        if (d.size() < 34) return false;
        const std::int64_t width = static_cast<std::int32_t>(U32(d, 18));
        const std::int64_t height = static_cast<std::int32_t>(U32(d, 22));
        if (width <= 0 || width > INT32_MAX || height == 0 || height == INT32_MIN) return false;
        f.width = static_cast<int>(width);
        f.height = static_cast<int>(height < 0 ? -height : height);
        f.bits = static_cast<int>(U16(d, 28));
        const std::uint32_t compression = U32(d, 30);
        f.kind = f.bits == 24 && compression == 0  ? "bmp24"
                 : f.bits == 8 && compression == 0 ? "bmp8"
                 : f.bits == 8 && compression == 1 ? "rle8"
                                                   : "bmp-other";
        return true;
    }
    if (f.format == "GIF") {
        if (d.size() < 10) return false;
        f.width = static_cast<int>(U16(d, 6));
        f.height = static_cast<int>(U16(d, 8));
        f.bits = 8;
        f.kind = "gif";
        return true;
    }
    if (f.format == "JPEG") {  // the frame header: its marker says how the picture is coded
        for (std::size_t i = 2; i + 4 <= d.size();) {
            if (d[i] != '\xFF') return false;
            const unsigned char marker = static_cast<unsigned char>(d[i + 1]);
            if (marker == 0xFF) {
                ++i;
                continue;
            }
            if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
                i += 2;
                continue;
            }
            if (marker == 0xD9 || marker == 0xDA) return false;
            const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
            if (frame) {
                if (i + 10 > d.size()) return false;
                f.height = static_cast<int>(Be16(d, i + 5));
                f.width = static_cast<int>(Be16(d, i + 7));
                const std::size_t components = static_cast<unsigned char>(d[i + 9]);
                f.bits = 8 * static_cast<int>(components);
                // The decoder's roads differ in cost: colour sampled 2x2 (the
                // luma's factors 2x2, the chroma's 1x1) is upsampled with the
                // colour conversion, cheaper than colour in full.
                const bool sampled2x2 = components == 3 && i + 19 <= d.size() && d[i + 11] == '\x22' &&
                                        d[i + 14] == '\x11' && d[i + 17] == '\x11';
                f.kind = marker == 0xC2                      ? "jpeg-progressive"
                         : marker != 0xC0 && marker != 0xC1 ? ""
                         : sampled2x2                        ? "jpeg-baseline-2x2"
                                                             : "jpeg-baseline";
                return true;
            }
            i += 2 + Be16(d, i + 2);
        }
    }
    return false;
}

std::string Thousands(std::uint64_t n) {
    std::string digits = std::to_string(n), text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0) text += '.';
        text += digits[i];
    }
    return text;
}

}  // namespace

std::size_t PictureBytesToRead(std::uint64_t fileSize) {
    return fileSize > kMaxPictureFileSize ? kHeaderBytes : static_cast<std::size_t>(fileSize);
}

PictureFacts JudgePicture(const std::string& bytes, std::uint64_t fileSize) {
    PictureFacts f;
    f.bytes = fileSize;
    if (fileSize == 0) {
        f.verdict = PictureVerdict::Empty;
        return f;
    }
    f.format = PictureFormatOf(bytes);
    const bool ours = f.format == "BMP" || f.format == "JPEG" || f.format == "GIF";
    if (!ours) {
        f.verdict = PictureVerdict::OtherFormat;
        return f;
    }
    const bool header = ReadHeader(bytes, f);
    const std::int64_t pixels = static_cast<std::int64_t>(f.width) * f.height;
    if (fileSize > kMaxPictureFileSize || (header && pixels > kMaxPicturePixels)) {
        f.verdict = PictureVerdict::TooLarge;
        return f;
    }
    Dib dib;
    if (bytes.size() != fileSize ||
        !DecodePicture(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), 0, dib)) {
        f.verdict = PictureVerdict::Refused;
        return f;
    }
    f.verdict = PictureVerdict::Shown;
    if (!header) {  // a header the decoders read and this reading does not: what they made
        f.width = dib.width;
        f.height = dib.height;
        f.bits = dib.bitCount;
    }
    f.cost = CostOf(fileSize, static_cast<std::uint64_t>(f.width) * static_cast<std::uint64_t>(f.height), f.kind);
    return f;
}

const char* VerdictCode(PictureVerdict verdict) {
    switch (verdict) {
    case PictureVerdict::Shown: return "shown";
    case PictureVerdict::Missing: return "missing";
    case PictureVerdict::Folder: return "folder";
    case PictureVerdict::Unreadable: return "unreadable";
    case PictureVerdict::Empty: return "empty";
    case PictureVerdict::OtherFormat: return "other-format";
    case PictureVerdict::Refused: return "refused";
    case PictureVerdict::TooLarge: return "too-large";
    }
    return "";
}

std::string NotShownMessage(const std::string& name, const PictureFacts& f) {
    switch (f.verdict) {
    case PictureVerdict::Missing: return "a imagem " + name + " não está no kit.";
    case PictureVerdict::Folder: return name + " é uma pasta, não uma imagem.";
    case PictureVerdict::Unreadable: return "não foi possível ler " + name + ": o Setup32 não a mostra.";
    case PictureVerdict::Empty: return name + " está vazio: não é uma imagem BMP, JPEG ou GIF que o Setup32 mostre.";
    case PictureVerdict::OtherFormat:
        if (f.format.empty())
            return name + " não é uma imagem BMP, JPEG ou GIF que o Setup32 mostre: o começo do arquivo não é o de "
                          "nenhum formato de imagem conhecido.";
        return name + " é uma imagem " + f.format +
               " (pelos primeiros bytes do arquivo), e o Setup32 só mostra BMP, JPEG ou GIF: converta-a.";
    case PictureVerdict::Refused:
        return name + " começa como uma imagem " + f.format +
               ", mas o Setup32 não a mostra: está cortada, é incoerente ou é de um tipo de " + f.format +
               " que ele não lê.";
    case PictureVerdict::TooLarge:
        if (f.bytes > kMaxPictureFileSize)
            return name + " tem " + Thousands(f.bytes) + " bytes, e o Setup32 não mostra imagem de mais de 64 MB (" +
                   Thousands(kMaxPictureFileSize) + " bytes): reduza-a.";
        return name + " tem " + std::to_string(f.width) + " x " + std::to_string(f.height) + " pixels (" +
               Thousands(static_cast<std::uint64_t>(f.width) * static_cast<std::uint64_t>(f.height)) +
               "), e o Setup32 não mostra imagem de mais de 4096 x 4096 pixels (" +
               Thousands(static_cast<std::uint64_t>(kMaxPicturePixels)) + "): reduza-a.";
    case PictureVerdict::Shown: break;
    }
    return "";
}

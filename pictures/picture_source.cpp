// A picture load's section and the source of its bytes, which the dispatch
// and every decoder use, and which use nothing of theirs.
#include <cstring>

#include "pictures/decoder.h"

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

PictureSource MemorySource(const std::uint8_t* data, std::size_t size) {
    PictureSource source;
    source.size = size;
    source.bytes = data;
    return source;
}

bool PictureDecoder::Finish(PictureSource&, PictureLoad&, std::uint8_t*) { return false; }

std::size_t PictureDecoder::Read(PictureSource& source, std::uint8_t* to, std::size_t n) {
    if (n > fileSize_ - read_) n = fileSize_ - read_;
    std::size_t done = 0;
    if (source.bytes) {
        std::memcpy(to, source.bytes + read_, n);
        done = n;
    } else {
        while (done < n) {
            const std::size_t got = source.read(source.context, to + done, n - done);
            if (got == 0 || got > n - done) break;
            done += got;
        }
    }
    read_ += done;
    return done;
}

PictureLoad::~PictureLoad() { delete decoder_; }

bool PictureLoad::SetSection(int w, int h, int bits, int entries) {
    if (w <= 0 || h <= 0 || static_cast<std::int64_t>(w) * h > kMaxPicturePixels) return false;
    if (bits == 24 ? entries != 0 : (bits != 1 && bits != 4 && bits != 8) || entries < 1 || entries > (1 << bits))
        return false;
    width = w, height = h, bitCount = bits, colors = entries;
    std::memset(info_, 0, 40);
    Put32(info_, 40);
    Put32(info_ + 4, static_cast<std::uint32_t>(w));
    Put32(info_ + 8, static_cast<std::uint32_t>(h));
    Put16(info_ + 12, 1);
    Put16(info_ + 14, static_cast<std::uint32_t>(bits));
    Put32(info_ + 20, static_cast<std::uint32_t>(bitsSize()));  // compression 0: BI_RGB
    Put32(info_ + 32, static_cast<std::uint32_t>(entries));
    return true;
}

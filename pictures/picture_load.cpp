// Which decoder reads a picture file, and the bytes it is given: the head of
// the file for a bitmap, the whole file for a JPEG or GIF. The decoders
// call nothing back here.
#include "pictures/picture_load.h"

#include <cstdlib>
#include <cstring>

namespace {

// The whole file, for the decoders that need it: the caller's bytes when it
// has them, else a block of the file's size holding the head and the rest.
bool WholeFile(PictureSource& source, PictureLoad& load) {
    if (source.bytes) {
        load.file = source.bytes;
        return true;
    }
    load.ownFile = static_cast<std::uint8_t*>(std::malloc(source.size));
    if (!load.ownFile) return false;
    std::memcpy(load.ownFile, load.head, load.headSize);
    const std::size_t rest = source.size - load.headSize;
    if (ReadSource(source, load, load.ownFile + load.headSize, rest) != rest) return false;
    load.file = load.ownFile;
    return true;
}

}  // namespace

bool StartPictureLoad(PictureSource& source, PictureColor behind, PictureLoad& load) {
    if (source.size == 0 || source.size > kMaxPictureFileSize || (!source.bytes && !source.read)) return false;
    const std::size_t first = source.size < kPictureHead ? source.size : kPictureHead;
    load.headSize = ReadSource(source, load, load.head, first);
    if (load.headSize != first) return false;
    const std::uint8_t* d = load.head;
    if (first >= 2 && d[0] == 'B' && d[1] == 'M') {
        load.format = PictureFormat::Bmp;
        return StartBmp(load, source.size);
    }
    const bool jpeg = first >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF;
    const bool gif = first >= 6 && d[0] == 'G' && d[1] == 'I' && d[2] == 'F' && d[3] == '8' &&
                     (d[4] == '7' || d[4] == '9') && d[5] == 'a';
    if (!jpeg && !gif) return false;
    if (!WholeFile(source, load)) return false;
    const PictureInfo info = InspectPicture(load.file, source.size);
    if (!info.ok) return false;
    load.format = info.format;
    const bool ok = gif ? StartGif(load, source.size, behind) : StartJpeg(load, source.size);
    return ok && load.width == info.width && load.height == info.height;
}

bool FinishPictureLoad(PictureSource& source, PictureLoad& load, std::uint8_t* bits) {
    switch (load.format) {
    case PictureFormat::Bmp:
        return FinishBmp(source, load, bits);
    case PictureFormat::Gif:
        return FinishGif(load, source.size, bits);
    case PictureFormat::Jpeg:
        if (!load.pixels) return false;
        FinishJpeg(load, bits);
        return true;
    default:
        return false;
    }
}

// Which decoder reads a picture file: the head of the file is read once, its
// format sniffed from it once, and the head handed to the decoder of that
// format, which reads the rest. The decoders call nothing back here.
#include "pictures/picture_load.h"

#include "pictures/decoder.h"

bool StartPictureLoad(PictureSource& source, PictureColor behind, PictureLoad& load) {
    if (source.size == 0 || source.size > kMaxPictureFileSize || (!source.bytes && !source.read) || load.decoder_)
        return false;
    PictureHead head;
    head.fileSize = source.size;
    const std::size_t first = source.size < kPictureHead ? source.size : kPictureHead;
    if (source.bytes) {
        for (std::size_t i = 0; i < first; ++i) head.bytes[i] = source.bytes[i];
        head.size = first;
    } else {
        while (head.size < first) {
            const std::size_t got = source.read(source.context, head.bytes + head.size, first - head.size);
            if (got == 0 || got > first - head.size) return false;
            head.size += got;
        }
    }
    switch (SniffPicture(head.bytes, head.size)) {
    case PictureFormat::Bmp:
        load.decoder_ = StartBmp(source, head, load);
        break;
    case PictureFormat::Jpeg:
        load.decoder_ = StartJpeg(source, head, load);
        break;
    case PictureFormat::Gif:
        load.decoder_ = StartGif(source, head, behind, load);
        break;
    default:
        break;
    }
    return load.decoder_ != nullptr;
}

bool FinishPictureLoad(PictureSource& source, PictureLoad& load, std::uint8_t* bits) {
    return load.decoder_ && load.decoder_->Finish(source, load, bits);
}

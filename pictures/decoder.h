// The decoders' side of a picture load: what picture_load.cpp hands the
// decoder of a file's format, and what the decoder keeps between the
// headers and the pixels. Only the pictures room includes it; the callers
// know picture_load.h alone.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pictures/picture_load.h"

// The first bytes of a file, read before anything else (kPictureHead of
// them, or all), and the file's size.
struct PictureHead {
    std::size_t fileSize = 0;
    std::size_t size = 0;
    std::uint8_t bytes[kPictureHead];
};

// A decoder's own state, made once its format is known and kept until the
// load ends. The file's bytes after the head are taken from the source in
// order, never past the file's size.
class PictureDecoder {
public:
    explicit PictureDecoder(const PictureHead& head) : fileSize_(head.fileSize), read_(head.size) {}
    virtual ~PictureDecoder() = default;
    PictureDecoder(const PictureDecoder&) = delete;
    PictureDecoder& operator=(const PictureDecoder&) = delete;

    // Fills `bits` (load.bitsSize() bytes, whatever they held) with the
    // pixels, reading the rest of the file. False for a file cut short or
    // damaged, a read that failed or memory that could not be had.
    virtual bool Finish(PictureSource& source, PictureLoad& load, std::uint8_t* bits);

    // Takes up to `n` more bytes of the file into `to`; how many (fewer only
    // at its end or when a read failed).
    std::size_t Read(PictureSource& source, std::uint8_t* to, std::size_t n);
    std::size_t fileSize() const { return fileSize_; }
    std::size_t read() const { return read_; }

private:
    std::size_t fileSize_;
    std::size_t read_;  // bytes of the file taken so far, the head's included
};

// Each decoder reads the rest of its headers (the head holds the first
// bytes), sets the section the picture needs on `load`, and returns its
// state made with new (std::nothrow); null for a file it refuses or memory
// it could not have.
PictureDecoder* StartBmp(PictureSource& source, const PictureHead& head, PictureLoad& load);
PictureDecoder* StartGif(PictureSource& source, const PictureHead& head, PictureColor behind, PictureLoad& load);
PictureDecoder* StartJpeg(PictureSource& source, const PictureHead& head, PictureLoad& load);

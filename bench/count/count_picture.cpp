// Loads one picture file the way the launcher's window thread does, and has
// valgrind's callgrind count the instructions of the load alone: run it as
//
//   valgrind --tool=callgrind --collect-atstart=no count_picture <picture file>
//
// and the tool's total is the load's. The file is in memory first; what the
// launcher asks of the system is not counted: the reads of the file's bytes
// (ReadFile's copy, made here by a memcpy with counting paused) and the
// memory of the DIB section (CreateDIBSection, here a buffer allocated with
// counting paused). One load runs uncounted first, so that the heap and
// the decoders' tables are as they are at a tick of a running slideshow, and
// one more adds up the heap blocks the load holds (counting.h).
//
// Prints "<width> <height> <bits a pixel> <bytes of pixels> <heap bytes>
// <PSNR>" of the result, or "refused": the heap bytes are the most the load
// held at once besides the DIB section (malloc'ed blocks, glibc's usable
// sizes, and in earlier revisions the buffer the whole file was read into
// before); the PSNR, for a JPEG, against libjpeg-turbo's accurate decode.
// Built against either form of the pictures room: the picture read from a
// source into caller-given rows (pictures/picture_load.h), or, in earlier
// revisions, decoded from the whole file into a Dib.
#include "counting.h"

#if __has_include("pictures/picture_load.h")
#include "pictures/picture_load.h"
#define SETUP32_COUNT_ROWS 1
#else
#include "pictures/dib.h"
#endif

namespace {

using counting::Paused;
using counting::Result;

constexpr unsigned kBehind = 0x00C0C0C0;  // the colour behind a transparent pixel

#ifdef SETUP32_COUNT_ROWS
constexpr bool kFileBuffered = false;  // the load reads the file itself

bool Load(const std::vector<std::uint8_t>& bytes, Result& result) {
    counting::File file{&bytes};
    PictureSource source{};
    source.read = counting::ReadFromFile;
    source.context = &file;
    source.size = bytes.size();
    source.bytes = nullptr;
    PictureLoad load;
    if (!StartPictureLoad(source, kBehind, load)) return false;
    {
        Paused system;  // CreateDIBSection
        result.bits.resize(load.bitsSize());
        result.table.assign(load.info() + 40, load.info() + 40 + 4 * load.colors);
    }
    if (!FinishPictureLoad(source, load, result.bits.data())) return false;
    result.width = load.width, result.height = load.height, result.bitCount = load.bitCount;
    return true;
}
#else
// Here the launcher read the whole file into a buffer of its own first.
constexpr bool kFileBuffered = true;

bool Load(const std::vector<std::uint8_t>& bytes, Result& result) {
    Dib dib;
    if (!DecodePicture(bytes.data(), bytes.size(), kBehind, dib)) return false;
    Paused system;  // what the load made, kept to be compared
    result.width = dib.width, result.height = dib.height, result.bitCount = dib.bitCount;
    result.table.assign(dib.bytes.begin() + 40, dib.bytes.begin() + static_cast<std::ptrdiff_t>(dib.bitsOffset()));
    result.bits.assign(dib.bytes.begin() + static_cast<std::ptrdiff_t>(dib.bitsOffset()), dib.bytes.end());
    return true;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: count_picture <picture file>\n");
        return 2;
    }
    const std::size_t fileSize = counting::ReadWhole(argv[1]).size();
    return counting::Run(argv[1], Load, kFileBuffered ? fileSize : 0);
}

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
// the decoders' tables are as they are at a tick of a running slideshow.
//
// Prints "<width> <height> <bits a pixel> <bytes of pixels>" of the result,
// or "refused". Built against either form of the pictures room: the picture
// read from a source into caller-given rows (pictures/picture_load.h), or,
// in earlier revisions, decoded from the whole file into a Dib.
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstring>
#include <vector>

#if __has_include("pictures/picture_load.h")
#include "pictures/picture_load.h"
#define SETUP32_COUNT_ROWS 1
#else
#include "pictures/dib.h"
#endif

namespace {

bool g_counting = false;

// Counting on or off; the client requests cost a handful of instructions.
void Count(bool on) {
    if (on != g_counting) CALLGRIND_TOGGLE_COLLECT;
    g_counting = on;
}

// The system's share, not counted: it runs with counting paused.
struct Paused {
    bool was = g_counting;
    Paused() { Count(false); }
    ~Paused() { Count(was); }
};

constexpr unsigned kBehind = 0x00C0C0C0;  // the colour behind a transparent pixel

struct Result {
    int width = 0, height = 0, bitCount = 0;
    std::size_t bitsSize = 0;
};

#ifdef SETUP32_COUNT_ROWS
// The file as the launcher's window thread reads it: front to back, through
// ReadFile.
struct File {
    const std::vector<std::uint8_t>* bytes;
    std::size_t at = 0;
};

std::size_t ReadFromFile(void* context, std::uint8_t* to, std::size_t n) {
    Paused system;
    auto* file = static_cast<File*>(context);
    const std::size_t left = file->bytes->size() - file->at;
    if (n > left) n = left;
    std::memcpy(to, file->bytes->data() + file->at, n);
    file->at += n;
    return n;
}

bool Load(const std::vector<std::uint8_t>& bytes, Result& result) {
    File file{&bytes};
    PictureSource source{};
    source.read = ReadFromFile;
    source.context = &file;
    source.size = bytes.size();
    source.bytes = nullptr;
    PictureLoad load;
    if (!StartPictureLoad(source, kBehind, load)) return false;
    std::vector<std::uint8_t> section;
    {
        Paused system;  // CreateDIBSection
        section.resize(load.bitsSize());
    }
    if (!FinishPictureLoad(source, load, section.data())) return false;
    result = {load.width, load.height, load.bitCount, load.bitsSize()};
    return true;
}
#else
bool Load(const std::vector<std::uint8_t>& bytes, Result& result) {
    Dib dib;
    if (!DecodePicture(bytes.data(), bytes.size(), kBehind, dib)) return false;
    result = {dib.width, dib.height, dib.bitCount, dib.bytes.size() - dib.bitsOffset()};
    return true;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: count_picture <picture file>\n");
        return 2;
    }
    std::FILE* f = std::fopen(argv[1], "rb");
    if (!f) {
        std::perror(argv[1]);
        return 2;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t block[65536];
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;) bytes.insert(bytes.end(), block, block + n);
    std::fclose(f);

    Result warm, counted;
    const bool ok = Load(bytes, warm);
    Count(true);
    const bool again = Load(bytes, counted);
    Count(false);
    if (!ok || !again) {
        std::printf("refused\n");
        return 1;
    }
    std::printf("%d %d %d %zu\n", counted.width, counted.height, counted.bitCount, counted.bitsSize);
    return 0;
}

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
// one more adds up the heap blocks the load holds.
//
// Prints "<width> <height> <bits a pixel> <bytes of pixels> <heap bytes>"
// of the result, or "refused": the heap bytes are the most the load held at
// once besides the DIB section (malloc'ed blocks, glibc's usable sizes, and
// in earlier revisions the buffer the whole file was read into before). Built against either form of the pictures room: the picture
// read from a source into caller-given rows (pictures/picture_load.h), or,
// in earlier revisions, decoded from the whole file into a Dib.
#include <malloc.h>
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#if __has_include("pictures/picture_load.h")
#include "pictures/picture_load.h"
#define SETUP32_COUNT_ROWS 1
#else
#include "pictures/dib.h"
#endif

// The heap the load holds at its most: every block of malloc, calloc,
// realloc and operator new passes here, to glibc's own functions.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
}

namespace {

bool g_tracking = false;   // the load's blocks are being added up
std::size_t g_held = 0, g_most = 0;

void Took(void* block) {
    if (!g_tracking || !block) return;
    g_held += malloc_usable_size(block);
    if (g_held > g_most) g_most = g_held;
}

void Gave(void* block) {
    if (!g_tracking || !block) return;
    const std::size_t size = malloc_usable_size(block);
    g_held = size < g_held ? g_held - size : 0;
}

}  // namespace

extern "C" {
void* malloc(std::size_t n) {
    void* block = __libc_malloc(n);
    Took(block);
    return block;
}
void* calloc(std::size_t count, std::size_t n) {
    void* block = __libc_calloc(count, n);
    Took(block);
    return block;
}
void* realloc(void* old, std::size_t n) {
    Gave(old);
    void* block = __libc_realloc(old, n);
    Took(block ? block : old);
    return block;
}
void free(void* block) {
    Gave(block);
    __libc_free(block);
}
}

namespace {

bool g_counting = false;

// Counting on or off; the client requests cost a handful of instructions.
void Count(bool on) {
    if (on != g_counting) CALLGRIND_TOGGLE_COLLECT;
    g_counting = on;
}

// The system's share, neither counted nor added up: it runs with both paused.
struct Paused {
    bool was = g_counting, tracking = g_tracking;
    Paused() {
        Count(false);
        g_tracking = false;
    }
    ~Paused() {
        g_tracking = tracking;
        Count(was);
    }
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

constexpr bool kFileBuffered = false;  // the load reads the file itself

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
// Here the launcher read the whole file into a buffer of its own first.
constexpr bool kFileBuffered = true;

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

    // Warmed up, then the heap added up, then the instructions counted, each
    // in a load of its own so that neither measure weighs on the other.
    Result warm, tracked, counted;
    bool ok = Load(bytes, warm);
    g_tracking = true;
    ok = Load(bytes, tracked) && ok;
    g_tracking = false;
    Count(true);
    ok = Load(bytes, counted) && ok;
    Count(false);
    if (!ok) {
        std::printf("refused\n");
        return 1;
    }
    const std::size_t heap = g_most + (kFileBuffered ? bytes.size() : 0);
    std::printf("%d %d %d %zu %zu\n", counted.width, counted.height, counted.bitCount, counted.bitsSize, heap);
    return 0;
}

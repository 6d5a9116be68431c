// What the count programs share (count_picture.cpp: the launcher's load;
// count_reference.cpp: the decoders it is compared with), each including it
// once: valgrind's callgrind counting only the load, the system's share
// paused, the heap the load holds added up, and the line they print.
//
//   valgrind --tool=callgrind --collect-atstart=no <program> ... <picture file>
//
// The heap: every block of malloc, calloc, realloc and operator new passes
// here, to glibc's own functions; the most the load held at once is what a
// program prints.
#pragma once

#include <malloc.h>
#include <valgrind/callgrind.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../../pictures/tests/jpeg_compare.h"  // this tree's, whichever sources are counted

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
}

namespace counting {

inline bool g_tracking = false;  // the load's blocks are being added up
inline std::size_t g_held = 0, g_most = 0;

inline void Took(void* block) {
    if (!g_tracking || !block) return;
    g_held += malloc_usable_size(block);
    if (g_held > g_most) g_most = g_held;
}

inline void Gave(void* block) {
    if (!g_tracking || !block) return;
    const std::size_t size = malloc_usable_size(block);
    g_held = size < g_held ? g_held - size : 0;
}

}  // namespace counting

extern "C" {
void* malloc(std::size_t n) {
    void* block = __libc_malloc(n);
    counting::Took(block);
    return block;
}
void* calloc(std::size_t count, std::size_t n) {
    void* block = __libc_calloc(count, n);
    counting::Took(block);
    return block;
}
void* realloc(void* old, std::size_t n) {
    counting::Gave(old);
    void* block = __libc_realloc(old, n);
    counting::Took(block ? block : old);
    return block;
}
void free(void* block) {
    counting::Gave(block);
    __libc_free(block);
}
}

namespace counting {

inline bool g_counting = false;

// Counting on or off; the client requests cost a handful of instructions.
inline void Count(bool on) {
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

// A picture as a load left it: the size and depth of its DIB section, its
// colour table (blue, green, red, zero) and its bits, rows bottom-up.
struct Result {
    int width = 0, height = 0, bitCount = 0;
    std::vector<std::uint8_t> table, bits;
    std::size_t stride() const { return ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4; }
};

// The file as the launcher's window thread reads it: front to back, through
// ReadFile, whose copy is the system's.
struct File {
    const std::vector<std::uint8_t>* bytes;
    std::size_t at = 0;
};

inline std::size_t ReadFromFile(void* context, std::uint8_t* to, std::size_t n) {
    Paused system;
    auto* file = static_cast<File*>(context);
    const std::size_t left = file->bytes->size() - file->at;
    if (n > left) n = left;
    std::memcpy(to, file->bytes->data() + file->at, n);
    file->at += n;
    return n;
}

inline std::vector<std::uint8_t> ReadWhole(const char* path) {
    std::vector<std::uint8_t> bytes;
    if (std::FILE* f = std::fopen(path, "rb")) {
        std::uint8_t block[65536];
        for (std::size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;) bytes.insert(bytes.end(), block, block + n);
        std::fclose(f);
    }
    return bytes;
}

// The PSNR of a JPEG's picture against libjpeg-turbo's accurate decode, in
// dB; NaN for another format (or a file libjpeg-turbo refuses).
inline double PsnrOfJpeg(const std::vector<std::uint8_t>& file, const Result& r) {
    RgbPicture reference, ours;
    int warnings = 0;
    if (file.size() < 3 || file[0] != 0xFF || file[1] != 0xD8 || !LibjpegDecode(file.data(), file.size(), reference, warnings) ||
        reference.width != r.width || reference.height != r.height)
        return NAN;
    ours.width = r.width;
    ours.height = r.height;
    ours.rgb.reserve(reference.rgb.size());
    for (int y = r.height - 1; y >= 0; --y) {
        const std::uint8_t* row = r.bits.data() + r.stride() * static_cast<std::size_t>(y);
        for (int x = 0; x < r.width; ++x) {
            const std::uint8_t* bgr = r.bitCount == 24 ? row + 3 * x : r.table.data() + 4 * row[x];
            ours.rgb.insert(ours.rgb.end(), {bgr[2], bgr[1], bgr[0]});
        }
    }
    return Psnr(ours, reference);
}

// Warmed up, then the heap added up, then the instructions counted, each in
// a load of its own so that neither measure weighs on the other; prints
// "<width> <height> <bits a pixel> <bytes of pixels> <heap bytes> <PSNR>"
// of the result, or "refused". `extraHeap` is held besides what the load's
// blocks hold (a buffer of the whole file an earlier launcher read first).
template <typename Load>
int Run(const char* path, Load load, std::size_t extraHeap = 0) {
    const std::vector<std::uint8_t> bytes = ReadWhole(path);
    if (bytes.empty()) {
        std::fprintf(stderr, "%s: cannot read it\n", path);
        return 2;
    }
    Result warm, tracked, counted;
    bool ok = load(bytes, warm);
    g_tracking = true;
    ok = load(bytes, tracked) && ok;
    g_tracking = false;
    Count(true);
    ok = load(bytes, counted) && ok;
    Count(false);
    if (!ok) {
        std::printf("refused\n");
        return 1;
    }
    const double psnr = PsnrOfJpeg(bytes, counted);
    std::printf("%d %d %d %zu %zu %s\n", counted.width, counted.height, counted.bitCount, counted.bits.size(),
                g_most + extraHeap, std::isnan(psnr) ? "-" : std::isinf(psnr) ? "inf" : std::to_string(psnr).c_str());
    return 0;
}

}  // namespace counting

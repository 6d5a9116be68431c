// The decoders the launcher's JPEG load is compared with, loading one file
// as count_picture loads it (counting.h: the file read through a paused
// ReadFile, into a DIB section allocated paused, the load alone counted):
//
//   JSIMD_FORCENONE=1 valgrind --tool=callgrind --collect-atstart=no \
//       count_reference <decoder> <JPEG file>
//
//   stb                stb_image 2.27 (Debian's libstb-dev) with STBI_NO_SIMD,
//                      reading through its callbacks, its picture then copied
//                      into the section's rows: it has no way to write
//                      rows it is given;
//   libjpeg-accurate   libjpeg-turbo (Debian's libjpeg62-turbo), the integer
//                      IDCT (JDCT_ISLOW) and smooth upsampling;
//   libjpeg-fast       the same with the fast integer IDCT (JDCT_IFAST) and
//                      merged upsampling (do_fancy_upsampling off): IJG's
//                      fast road, djpeg -fast;
//
// libjpeg-turbo writing blue, green and red straight into the section's
// rows, bottom-up, from a 4 KB buffer of the file. Debian builds it with
// SIMD, which JSIMD_FORCENONE=1 turns off: its portable C is what a 486
// would run. Prints what count_picture prints.
#include <algorithm>
#include <csetjmp>
#include <string>

#include <jpeglib.h>

#include "counting.h"

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_SIMD
#define STBI_NO_THREAD_LOCALS
#define STBI_NO_FAILURE_STRINGS
#include <stb_image.h>

namespace {

using counting::Paused;
using counting::Result;

// The section a load fills: its bits (rows bottom-up, each padded to four
// bytes) and, for grey, a table of 256 greys.
void MakeSection(int width, int height, int bitCount, Result& result) {
    Paused system;  // CreateDIBSection
    result.width = width, result.height = height, result.bitCount = bitCount;
    result.bits.resize(result.stride() * static_cast<std::size_t>(height));
    result.table.clear();
    if (bitCount == 8)
        for (int i = 0; i < 256; ++i)
            result.table.insert(result.table.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                                                     static_cast<std::uint8_t>(i), 0});
}

// stb_image 2.27.
int StbRead(void* user, char* to, int n) {
    return static_cast<int>(counting::ReadFromFile(user, reinterpret_cast<std::uint8_t*>(to), static_cast<std::size_t>(n)));
}
void StbSkip(void* user, int n) {
    Paused system;  // SetFilePointer
    auto* file = static_cast<counting::File*>(user);
    file->at = std::min(file->bytes->size(), static_cast<std::size_t>(static_cast<long>(file->at) + n));
}
int StbEof(void* user) {
    auto* file = static_cast<counting::File*>(user);
    return file->at >= file->bytes->size();
}

bool LoadStb(const std::vector<std::uint8_t>& bytes, Result& result) {
    counting::File file{&bytes};
    const stbi_io_callbacks callbacks = {StbRead, StbSkip, StbEof};
    int width = 0, height = 0, inFile = 0;
    stbi_uc* pixels = stbi_load_from_callbacks(&callbacks, &file, &width, &height, &inFile, 0);
    if (!pixels) return false;
    const int channels = inFile >= 3 ? 3 : 1;
    MakeSection(width, height, channels == 3 ? 24 : 8, result);
    const std::size_t w = static_cast<std::size_t>(width), stride = result.stride();
    const stbi_uc* from = pixels;
    for (int y = height - 1; y >= 0; --y) {
        std::uint8_t* to = result.bits.data() + stride * static_cast<std::size_t>(y);
        if (channels == 1) {
            std::memcpy(to, from, w);
            from += w;
            continue;
        }
        for (std::size_t x = 0; x < w; ++x, from += 3, to += 3) to[0] = from[2], to[1] = from[1], to[2] = from[0];
    }
    stbi_image_free(pixels);
    return true;
}

// libjpeg-turbo, reading the file through a buffer of 4 KB.
constexpr std::size_t kBuffer = 4096;

struct Source {
    jpeg_source_mgr manager;
    counting::File* file;
    JOCTET* buffer;
};

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillBuffer(j_decompress_ptr cinfo) {
    auto* source = reinterpret_cast<Source*>(cinfo->src);
    std::size_t n = counting::ReadFromFile(source->file, source->buffer, kBuffer);
    if (n == 0) {  // the file ended early: an end of image, as libjpeg's own sources do
        source->buffer[0] = 0xFF, source->buffer[1] = JPEG_EOI;
        n = 2;
    }
    source->manager.next_input_byte = source->buffer;
    source->manager.bytes_in_buffer = n;
    return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long n) {
    jpeg_source_mgr* m = cinfo->src;
    while (n > static_cast<long>(m->bytes_in_buffer)) {
        n -= static_cast<long>(m->bytes_in_buffer);
        FillBuffer(cinfo);
    }
    if (n > 0) {
        m->next_input_byte += n;
        m->bytes_in_buffer -= static_cast<std::size_t>(n);
    }
}

struct Failure {
    jpeg_error_mgr err;
    std::jmp_buf back;
};

void Fail(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<Failure*>(cinfo->err)->back, 1); }
void Quiet(j_common_ptr) {}

bool LoadLibjpeg(const std::vector<std::uint8_t>& bytes, Result& result, bool fast) {
    counting::File file{&bytes};
    jpeg_decompress_struct cinfo;
    Failure failure;
    std::vector<JSAMPROW> rows;  // made before the jump's target, which returns past it
    cinfo.err = jpeg_std_error(&failure.err);
    failure.err.error_exit = Fail;
    failure.err.output_message = Quiet;
    if (setjmp(failure.back)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    auto* source = static_cast<Source*>(
        (*cinfo.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_PERMANENT, sizeof(Source)));
    source->buffer = static_cast<JOCTET*>(
        (*cinfo.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_PERMANENT, kBuffer));
    source->file = &file;
    source->manager = {nullptr, 0, InitSource, FillBuffer, SkipInput, jpeg_resync_to_restart, TermSource};
    cinfo.src = &source->manager;
    jpeg_read_header(&cinfo, TRUE);
    const bool grey = cinfo.num_components == 1;
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    cinfo.dct_method = fast ? JDCT_IFAST : JDCT_ISLOW;
    cinfo.do_fancy_upsampling = fast ? FALSE : TRUE;
    jpeg_start_decompress(&cinfo);
    MakeSection(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), grey ? 8 : 24, result);
    rows.resize(cinfo.output_height);
    for (std::size_t y = 0; y < rows.size(); ++y)
        rows[y] = result.bits.data() + result.stride() * (rows.size() - 1 - y);
    while (cinfo.output_scanline < cinfo.output_height)
        jpeg_read_scanlines(&cinfo, rows.data() + cinfo.output_scanline, cinfo.output_height - cinfo.output_scanline);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string decoder = argc == 3 ? argv[1] : "";
    if (decoder == "stb") return counting::Run(argv[2], LoadStb);
    if (decoder == "libjpeg-accurate")
        return counting::Run(argv[2], [](const std::vector<std::uint8_t>& b, Result& r) { return LoadLibjpeg(b, r, false); });
    if (decoder == "libjpeg-fast")
        return counting::Run(argv[2], [](const std::vector<std::uint8_t>& b, Result& r) { return LoadLibjpeg(b, r, true); });
    std::fprintf(stderr, "usage: count_reference stb|libjpeg-accurate|libjpeg-fast <JPEG file>\n");
    return 2;
}

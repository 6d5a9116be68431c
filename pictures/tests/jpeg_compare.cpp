#include "pictures/tests/jpeg_compare.h"

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <limits>

#include <jpeglib.h>

namespace {

// libjpeg's failures end the decode through a jump back to it; its warnings
// are counted (in err.num_warnings) and not printed.
struct Failure {
    jpeg_error_mgr err;
    std::jmp_buf back;
};

void Fail(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<Failure*>(cinfo->err)->back, 1); }
void Quiet(j_common_ptr) {}

// A file of a great many scans takes libjpeg a pass over its coefficients
// each: past 500 it is refused (libjpeg-turbo's own limit for untrusted
// files, TJFLAG_LIMITSCANS).
void LimitScans(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > 500) Fail(cinfo);
}

std::uint8_t Ink(unsigned ink, unsigned black) {
    const unsigned t = ink * black + 128;
    return static_cast<std::uint8_t>((t + (t >> 8)) >> 8);
}

}  // namespace

bool LibjpegDecode(const std::uint8_t* data, std::size_t size, RgbPicture& out, int& warnings) {
    jpeg_decompress_struct cinfo;
    Failure failure;
    jpeg_progress_mgr progress;
    std::vector<std::uint8_t> row;  // made before the jump's target, which returns past it
    cinfo.err = jpeg_std_error(&failure.err);
    failure.err.error_exit = Fail;
    failure.err.output_message = Quiet;
    if (setjmp(failure.back)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    progress.progress_monitor = LimitScans;
    cinfo.progress = &progress;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    const bool inks = cinfo.num_components == 4;
    cinfo.out_color_space = inks ? JCS_CMYK : cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.do_fancy_upsampling = TRUE;
    jpeg_start_decompress(&cinfo);
    const std::size_t width = cinfo.output_width, samples = static_cast<std::size_t>(cinfo.output_components);
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    out.rgb.assign(3 * width * cinfo.output_height, 0);
    row.resize(samples * width);
    while (cinfo.output_scanline < cinfo.output_height) {
        std::uint8_t* to = out.rgb.data() + 3 * width * cinfo.output_scanline;
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&cinfo, rows, 1);
        for (std::size_t x = 0; x < width; ++x, to += 3) {
            const std::uint8_t* s = row.data() + samples * x;
            if (samples == 1)
                to[0] = to[1] = to[2] = s[0];
            else if (samples == 3)
                to[0] = s[0], to[1] = s[1], to[2] = s[2];
            else
                to[0] = Ink(s[0], s[3]), to[1] = Ink(s[1], s[3]), to[2] = Ink(s[2], s[3]);
        }
    }
    jpeg_finish_decompress(&cinfo);
    warnings = static_cast<int>(failure.err.num_warnings);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

double Psnr(const RgbPicture& a, const RgbPicture& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.rgb.size() && i < b.rgb.size(); ++i) {
        const double d = static_cast<double>(a.rgb[i]) - b.rgb[i];
        sum += d * d;
    }
    if (sum == 0) return std::numeric_limits<double>::infinity();
    const double mse = sum / static_cast<double>(a.rgb.size());
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

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

// The exact inverse DCT's basis, scaled by 1/2: C(k) cos((2n + 1) k pi / 16) / 2.
struct Basis {
    double at[8][8];
    Basis() {
        const double pi = std::acos(-1.0);
        for (int k = 0; k < 8; ++k)
            for (int n = 0; n < 8; ++n) at[k][n] = (k ? 1.0 : std::sqrt(0.5)) * std::cos((2 * n + 1) * k * pi / 16) / 2;
    }
};

// Whether a block's dequantized coefficients (natural order) fit 16 bits and
// give samples within `most` of the middle.
bool BlockInRange(const JCOEF* block, const JQUANT_TBL& table, double most) {
    static const Basis basis;
    double f[64], rows[64];
    for (int i = 0; i < 64; ++i) {
        f[i] = static_cast<double>(block[i]) * table.quantval[i];
        if (f[i] > 32767 || f[i] < -32768) return false;
    }
    for (int v = 0; v < 8; ++v)
        for (int x = 0; x < 8; ++x) {
            double sum = 0;
            for (int u = 0; u < 8; ++u) sum += basis.at[u][x] * f[8 * v + u];
            rows[8 * v + x] = sum;
        }
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            double sum = 0;
            for (int v = 0; v < 8; ++v) sum += basis.at[v][y] * rows[8 * v + x];
            if (std::fabs(sum) > most) return false;
        }
    return true;
}

// Every block of the file in range, its coefficients as libjpeg-turbo reads
// them (with the quantization tables it latched for each component).
bool SamplesInRange(const std::uint8_t* data, std::size_t size) {
    jpeg_decompress_struct cinfo;
    Failure failure;
    jpeg_progress_mgr progress;
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
    jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&cinfo);
    bool fits = true;
    for (int c = 0; c < cinfo.num_components && fits; ++c) {
        const jpeg_component_info& component = cinfo.comp_info[c];
        if (!component.quant_table) continue;
        for (JDIMENSION row = 0; row < component.height_in_blocks && fits; ++row) {
            JBLOCKARRAY blocks = (*cinfo.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                                  coefficients[c], row, 1, FALSE);
            for (JDIMENSION b = 0; b < component.width_in_blocks && fits; ++b)
                fits = BlockInRange(blocks[0][b], *component.quant_table, 480.0);
        }
    }
    jpeg_destroy_decompress(&cinfo);
    return fits;
}

}  // namespace

bool LibjpegDecode(const std::uint8_t* data, std::size_t size, RgbPicture& out, int& warnings, bool* inRange) {
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
    if (inRange) *inRange = warnings == 0 && SamplesInRange(data, size);
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

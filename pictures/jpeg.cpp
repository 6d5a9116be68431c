// JPEG: Huffman-coded pictures of 8-bit samples, sequential (baseline and
// extended) or progressive, grey or in three components (YCbCr, or RGB
// when the components are named R, G and B or Adobe's marker says so
// without JFIF's) or four (CMYK or YCCK as Adobe writes them), each
// component sampled at any factor of 1 to 4 that divides the largest;
// restart intervals.
//
// The file is read through a buffer of kInput bytes, never past its end. A
// frame whose first scan holds every component (a baseline picture) is
// decoded a row of MCUs at a time: each block through the inverse DCT into
// the rows of its component, and those rows, upsampled and turned into
// blue, green and red, straight into the DIB section's rows (a grey
// picture's blocks go into the section themselves, 8 bits with a grey
// table). Any other frame (progressive, or sequential in several scans)
// keeps its coefficients until its end and then takes the same road.
//
// The road is the era's fast one: Huffman codes looked up kFastBits at a
// time, with small AC coefficients' values in the same look-up; the
// integer inverse DCT of Arai, Agui and Nakajima (5 multiplications a pass
// of 8), columns and rows of zero coefficients short-cut; colour from
// tables. Chroma sampled at half the rate is upsampled with the triangle
// filter (3/4 of the nearer sample, 1/4 of the farther), as libjpeg does by
// default: the nearer sample alone loses too much on a detailed photograph.
//
// What it accepts and refuses is what stb_image 2.27 did, which read the
// launcher's JPEGs before it: the same markers, segments, limits and
// errors, in the same order, and a damaged scan's bits read the same way
// (from a marker in the data on, or past the file's end, every bit is 0).
// Besides, as the launcher's own check did before stb_image saw a file: a
// picture of more than kMaxPicturePixels, a Huffman table of more than 256
// codes or a scan using a table not defined (stb_image went past its
// tables) and a byte other than 0xFF where a marker is due before the frame
// are refused.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "pictures/decoder.h"

namespace {

constexpr unsigned kNoMarker = 0xFF;
constexpr int kFastBits = 9;
constexpr int kFast = 1 << kFastBits;
constexpr std::size_t kInput = 4096;
constexpr std::uint64_t kMostBlock = 256u << 20;  // the largest block of memory asked for

// Where the k-th coefficient in zigzag order lies in a block, row by row; a
// damaged run past the 64th lands on the last.
const std::uint8_t kNatural[64 + 16] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13,
    6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52, 45, 38, 31,
    39, 46, 53, 60, 61, 54, 47, 55, 62, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63};

// The inverse DCT's values carry kFraction bits below the unit, its
// constants kConstBits. Six bits keep the smallest steps exact enough: with
// four, a step of 1 at the highest frequency (quality 100) became 1 where it
// is 1.22, and a checkerboard of single pixels came out at 22 dB; with six it
// becomes 5 where it is 4.87, and a coefficient of 1023 at a step of 1 still
// stays within the 1 << 17 the transform's 32 bits hold.
constexpr int kFraction = 6;
constexpr int kConstBits = 10;
constexpr std::int32_t Fix(double x) { return static_cast<std::int32_t>(x * (1 << kConstBits) + 0.5); }
constexpr std::int32_t kSqrt2 = Fix(1.414213562), kC2 = Fix(1.847759065), kC2MinusC6 = Fix(1.082392200),
                       kC2PlusC6 = Fix(2.613125930);
inline std::int32_t Mul(std::int32_t x, std::int32_t k) { return (x * k) >> kConstBits; }
// The scale of frequency k that the factorisation leaves to the
// dequantisation: cos(k pi / 16) sqrt 2, 1 for k = 0, in 14 bits.
const std::uint16_t kAanScale[8] = {16384, 22725, 21407, 19266, 16384, 12873, 8867, 4520};
// Added to a block's DC: the pixel's level (128) and the rounding.
constexpr std::int32_t kLevel = (128 << (kFraction + 3)) + (1 << (kFraction + 2));
constexpr int kShift = kFraction + 3;

// A sample of the inverse DCT clamped (as stb_image did: libjpeg wraps
// values far outside round).
inline std::uint8_t Clamp(std::int32_t v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// Which columns of a block hold a coefficient: bit c for row 0, bit 8 + c
// for a lower row.
inline unsigned ColumnBit(int natural) { return (natural < 8 ? 1u : 0x100u) << (natural & 7); }
// Besides: a coefficient larger than 8-bit samples give (damaged data, which
// libjpeg decodes all the same), too large for the transform's 32 bits.
constexpr unsigned kLarge = 0x10000;
inline bool Large(int coefficient) { return static_cast<unsigned>(coefficient + 2048) > 4095; }

struct Huffman {
    // The code in the next kFastBits bits: its length << 8 | its symbol; 0
    // for a longer code.
    std::uint16_t fast[kFast];
    std::uint32_t maxcode[18];  // per length, the first code past it, in 16 bits
    int delta[17];              // per length, the index in `values` of its first code less that code
    std::uint8_t values[256];
    bool defined = false;
};

struct Component {
    int id = 0, h = 1, v = 1, tq = 0, hd = 0, ha = 0;
    int dc = 0;                // the DC predictor
    int x = 0, y = 0;          // samples across and down
    int bw = 0, bh = 0;        // blocks across and down in the frame padded to whole MCUs
    int hs = 1, vs = 1;        // pixels a sample covers across and down
    bool fancy = false;        // upsampled with the triangle filter
    std::uint8_t* plane = nullptr;  // `ring` rows of bw * 8 samples, row r at r % ring
    int ring = 0;
    std::uint8_t* up = nullptr;     // a row upsampled to the picture's width
    std::int16_t* sums = nullptr;   // a row of 4 times its samples, or of vertical sums
    std::int16_t* coeff = nullptr;  // every block's coefficients in zigzag order, when kept
    int rowBytes = 0;               // bw * 8 samples and 8 past them
    std::uint8_t* Row(int r) const { return plane + static_cast<std::size_t>(r & (ring - 1)) * static_cast<std::size_t>(rowBytes); }
};

// A kept block's coefficients, in zigzag order.
inline std::int16_t* Coefficients(const Component& c, int bx, int by) {
    return c.coeff + 64 * (static_cast<std::size_t>(by) * static_cast<std::size_t>(c.bw) + static_cast<std::size_t>(bx));
}

class Jpeg final : public PictureDecoder {
public:
    explicit Jpeg(const PictureHead& head) : PictureDecoder(head) {}
    ~Jpeg() override {
        std::free(work_);
        std::free(coeff_);
    }
    bool Start(PictureSource& source, const PictureHead& head, PictureLoad& load);
    bool Finish(PictureSource& source, PictureLoad& load, std::uint8_t* bits) override;

private:
    // The file's bytes; 0 past its end.
    unsigned Get8() { return at_ < end_ ? *at_++ : Refill(); }
    unsigned Refill();
    unsigned Get16() {
        const unsigned high = Get8();
        return high << 8 | Get8();
    }
    void Skip(std::size_t n);
    bool AtEnd() const { return at_ == end_ && (source_->bytes || read() == fileSize()); }
    unsigned NextMarker();

    bool Segment(unsigned marker);
    bool Quantization();
    bool HuffmanTables();
    bool Frame(unsigned marker, PictureLoad& load);
    bool Prepare();
    bool ScanHeader();
    bool KeepCoefficients();

    // The scan's entropy-coded bits.
    void Reset();
    struct Waiting {
        std::uint32_t buf;
        int bits;
    };
    void Fill(std::uint32_t& buf, int& bits);
    Waiting FillSlow(std::uint32_t buf, int bits);
    int Decode(const Huffman& h, std::uint32_t& buf, int& bits);
    int Receive(std::uint32_t& buf, int& bits, int n);
    unsigned Bits(std::uint32_t& buf, int& bits, int n);
    bool Restart();
    // What a scan's blocks are decoded for: the rows of the picture; the
    // verdict alone (a scan after those rows); the coefficients kept, of a
    // sequential frame whose first scan lacks a component; a progressive
    // scan's DC (one of its AC has a loop of its own, ScanAc).
    enum class Pass { Rows, Verdict, Kept, Dc };
    bool Scan(Pass pass);
    bool PutBlock(Component& c, int bx, int by, bool decode);
    bool KeepBlock(Component& c, int bx, int by, bool keep);
    bool DecodeBlock(Component& c, const std::int32_t* quant, std::int32_t* block, unsigned& columns);
    bool DecodeDc(Component& c, int bx, int by);
    bool ScanAc();
    bool FirstAc(const Component& c, std::int16_t* data);
    bool RefineAc(const Component& c, std::int16_t* data);
    bool DecodeScan();

    // Samples into pixels.
    void Idct(std::int32_t* block, unsigned columns, std::uint8_t* out, std::ptrdiff_t stride);
    void IdctInto(int bx, int by, unsigned columns);
    void Dequantize(const Component& c, int bx, int by, unsigned& columns);
    void PutRows(int mcuRow);
    void ChooseColour() {
        rgb_ = count_ == 3 && (rgbNames_ == 3 || (adobe_ == 0 && !jfif_));
        merged_ = count_ == 3 && !rgb_ && comp_[0].hs == 1 && comp_[0].vs == 1 && comp_[1].fancy &&
                  comp_[1].hs == 2 && comp_[1].vs == 2 && comp_[2].fancy && comp_[2].hs == 2 && comp_[2].vs == 2;
    }
    void PutRow(int y);
    void PutRows2x2(int y, bool both);
    // a * b / 255, rounded.
    static std::uint8_t Times(unsigned a, unsigned b) {
        const unsigned t = a * b + 128;
        return static_cast<std::uint8_t>((t + (t >> 8)) >> 8);
    }
    // A pixel's blue, green and red from its luma and chroma.
    void Pixel(std::uint8_t* out, unsigned l, unsigned cb, unsigned cr) const {
        out[0] = clamp_[l + cbB_[cb]];
        out[1] = clamp_[l + cbG_[cb] + crG_[cr]];
        out[2] = clamp_[l + crR_[cr]];
    }
    const std::uint8_t* Sampled(Component& c, int y);
    void PutKept();

    PictureSource* source_ = nullptr;
    const std::uint8_t* at_ = nullptr;
    const std::uint8_t* end_ = nullptr;
    bool failed_ = false;  // a read of the file failed

    // The entropy-coded data: bits waiting, left-aligned, and the marker that
    // ended the data (kNoMarker: none yet).
    std::uint32_t buf_ = 0;
    int bits_ = 0;
    bool nomore_ = false;
    unsigned marker_ = kNoMarker;
    int interval_ = 0, todo_ = 0, eobrun_ = 0;

    // The frame.
    bool progressive_ = false, jfif_ = false;
    int adobe_ = -1, rgbNames_ = 0;
    int width_ = 0, height_ = 0, count_ = 0, hmax_ = 1, vmax_ = 1, mcusX_ = 0, mcusY_ = 0;
    Component comp_[4];
    bool rgb_ = false, fancyRows_ = false;
    bool merged_ = false;  // colour sampled 2x2: upsampled as it is turned into pixels
    // The scan.
    int scanCount_ = 0, order_[4] = {0, 0, 0, 0}, ss_ = 0, se_ = 0, ah_ = 0, al_ = 0;
    int scans_ = 0;      // scans seen
    int acScans_ = 0;    // progressive scans of AC coefficients seen
    bool rows_ = false;  // the first scan put the rows out
    bool kept_ = false;  // the coefficients are kept until the end

    // The section.
    std::uint8_t* section_ = nullptr;
    std::size_t stride_ = 0;
    int next_ = 0;  // the next row to put out, from the top

    std::uint8_t* work_ = nullptr;
    std::int16_t* coeff_ = nullptr;

    Huffman dc_[4], ac_[4];
    // value << 8 | run << 4 | code and value's bits; the code's bits alone
    // for the end of a block (16 zeros: value 0, run 15); 0: not so.
    std::int16_t fastAc_[4][kFast];
    std::int32_t quant_[4][64];      // scaled for the inverse DCT, in natural order
    std::uint16_t rawQuant_[4][64];
    std::int32_t block_[64] = {};  // zero between blocks
    // The k-th coefficient's place in the block (the low 6 bits) and its
    // ColumnBit (from bit 8).
    std::uint32_t place_[64 + 16];
    std::int32_t ones_[64];
    std::uint8_t edge_[64];
    std::uint8_t clamp_[1024];  // a sum (-256 to 767) plus 256 to a sample, clamped
    // Chroma's share of blue, green and red, the 256 of clamp_'s index in
    // (green's in Cb's; the sum of its two is positive).
    std::uint32_t crR_[256], cbB_[256], crG_[256], cbG_[256];
    std::uint8_t input_[kInput];
};

// ---------------------------------------------------------------- the bytes

unsigned Jpeg::Refill() {
    if (source_->bytes || read() == fileSize()) return 0;
    std::size_t n = fileSize() - read();
    if (n > kInput) n = kInput;
    const std::size_t got = Read(*source_, input_, n);
    at_ = input_;
    end_ = input_ + got;
    if (got < n) failed_ = true;
    return got ? *at_++ : 0;
}

void Jpeg::Skip(std::size_t n) {
    while (n) {
        if (at_ == end_) {
            if (Refill() == 0 && at_ == end_) return;  // past the end
            --at_;
        }
        const std::size_t here = static_cast<std::size_t>(end_ - at_) < n ? static_cast<std::size_t>(end_ - at_) : n;
        at_ += here;
        n -= here;
    }
}

// The next marker: the one that ended the last scan's data, or the one here
// after any fill bytes; kNoMarker when another byte is here.
unsigned Jpeg::NextMarker() {
    if (marker_ != kNoMarker) {
        const unsigned m = marker_;
        marker_ = kNoMarker;
        return m;
    }
    unsigned x = Get8();
    if (x != 0xFF) return kNoMarker;
    while (x == 0xFF) x = Get8();
    return x;
}

// ---------------------------------------------------------------- segments

// A segment between frames and scans: tables, the restart interval,
// application data and comments. False for any other.
bool Jpeg::Segment(unsigned marker) {
    if (marker == 0xDD) {
        if (Get16() != 4) return false;
        interval_ = static_cast<int>(Get16());
        return true;
    }
    if (marker == 0xDB) return Quantization();
    if (marker == 0xC4) return HuffmanTables();
    if ((marker < 0xE0 || marker > 0xEF) && marker != 0xFE) return false;
    int left = static_cast<int>(Get16());
    if (left < 2) return false;
    left -= 2;
    static const char kJfif[5] = {'J', 'F', 'I', 'F', 0}, kAdobe[6] = {'A', 'd', 'o', 'b', 'e', 0};
    if (marker == 0xE0 && left >= 5) {
        bool same = true;
        for (char c : kJfif) same = Get8() == static_cast<unsigned char>(c) && same;
        left -= 5;
        if (same) jfif_ = true;
    } else if (marker == 0xEE && left >= 12) {
        bool same = true;
        for (char c : kAdobe) same = Get8() == static_cast<unsigned char>(c) && same;
        left -= 6;
        if (same) {
            Get8(), Get16(), Get16();  // version and flags
            adobe_ = static_cast<int>(Get8());
            left -= 6;
        }
    }
    Skip(static_cast<std::size_t>(left));
    return true;
}

bool Jpeg::Quantization() {
    int left = static_cast<int>(Get16()) - 2;
    while (left > 0) {
        const unsigned pq = Get8(), precision = pq >> 4, t = pq & 15;
        if (precision > 1 || t > 3) return false;
        for (int k = 0; k < 64; ++k)
            rawQuant_[t][kNatural[k]] = static_cast<std::uint16_t>(precision ? Get16() : Get8());
        // Each step scaled by the factors the inverse DCT leaves to it.
        for (int i = 0; i < 64; ++i) {
            const std::uint32_t scale = (kAanScale[i >> 3] * std::uint32_t{kAanScale[i & 7]} + (1u << 13)) >> 14;
            quant_[t][i] = static_cast<std::int32_t>((rawQuant_[t][i] * scale + (1u << (13 - kFraction))) >> (14 - kFraction));
        }
        left -= precision ? 129 : 65;
    }
    return left == 0;
}

bool Jpeg::HuffmanTables() {
    int left = static_cast<int>(Get16()) - 2;
    while (left > 0) {
        const unsigned tcth = Get8(), tc = tcth >> 4, th = tcth & 15;
        if (tc > 1 || th > 3) return false;
        int counts[16], n = 0;
        for (int& count : counts) n += count = static_cast<int>(Get8());
        left -= 17;
        // stb_image wrote past its tables for more than 256 codes.
        if (n > 256 || n > left) return false;
        Huffman& h = tc ? ac_[th] : dc_[th];
        h.defined = false;
        for (int i = 0; i < n; ++i) h.values[i] = static_cast<std::uint8_t>(Get8());
        left -= n;
        // Canonical codes: each length's codes follow the shorter ones'.
        std::uint8_t sizes[257];
        std::uint16_t codes[256];
        int k = 0;
        for (int length = 1; length <= 16; ++length)
            for (int i = 0; i < counts[length - 1]; ++i) sizes[k++] = static_cast<std::uint8_t>(length);
        sizes[k] = 0;
        unsigned code = 0;
        k = 0;
        for (int length = 1; length <= 16; ++length) {
            h.delta[length] = k - static_cast<int>(code);
            if (sizes[k] == length) {
                while (sizes[k] == length) codes[k++] = static_cast<std::uint16_t>(code++);
                if (code - 1 >= 1u << length) return false;  // more codes than the length holds
            }
            h.maxcode[length] = code << (16 - length);
            code <<= 1;
        }
        h.maxcode[17] = 0xFFFFFFFFu;
        std::memset(h.fast, 0, sizeof h.fast);
        for (int i = 0; i < k; ++i) {
            const int s = sizes[i];
            if (s > kFastBits) continue;
            const int first = codes[i] << (kFastBits - s), many = 1 << (kFastBits - s);
            for (int j = 0; j < many; ++j) h.fast[first + j] = static_cast<std::uint16_t>(s << 8 | h.values[i]);
        }
        if (tc) {
            // A code and the value after it within kFastBits, the value
            // small: both taken in one look-up.
            std::int16_t* fast = fastAc_[th];
            for (int i = 0; i < kFast; ++i) {
                fast[i] = 0;
                const int e = h.fast[i];
                if (!e) continue;
                const int s = e >> 8, run = (e >> 4) & 15, magnitude = e & 15;
                if (!magnitude) {  // the end of a block, or 16 zeros
                    fast[i] = static_cast<std::int16_t>((e & 255) == 0xF0 ? 0xF0 + s : s);
                    continue;
                }
                if (s + magnitude > kFastBits) continue;
                int value = ((i << s) & (kFast - 1)) >> (kFastBits - magnitude);
                if (value < 1 << (magnitude - 1)) value += 1 - (1 << magnitude);
                if (value >= -128 && value <= 127) fast[i] = static_cast<std::int16_t>(value * 256 + run * 16 + s + magnitude);
            }
        }
        h.defined = true;
    }
    return left == 0;
}

bool Jpeg::Frame(unsigned marker, PictureLoad& load) {
    progressive_ = marker == 0xC2;
    const unsigned length = Get16();
    if (length < 11 || Get8() != 8) return false;  // 8-bit samples only
    height_ = static_cast<int>(Get16());
    if (!height_) return false;  // a height given later (DNL): neither stb_image nor libjpeg
    width_ = static_cast<int>(Get16());
    if (!width_) return false;
    count_ = static_cast<int>(Get8());
    if ((count_ != 1 && count_ != 3 && count_ != 4) || length != 8 + 3u * static_cast<unsigned>(count_)) return false;
    for (int i = 0; i < count_; ++i) {
        Component& c = comp_[i];
        c.id = static_cast<int>(Get8());
        if (count_ == 3 && c.id == "RGB"[i]) ++rgbNames_;
        const unsigned hv = Get8();
        c.h = static_cast<int>(hv >> 4), c.v = static_cast<int>(hv & 15);
        c.tq = static_cast<int>(Get8());
        if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || c.tq > 3) return false;
        if (c.h > hmax_) hmax_ = c.h;
        if (c.v > vmax_) vmax_ = c.v;
    }
    for (int i = 0; i < count_; ++i)
        if (hmax_ % comp_[i].h || vmax_ % comp_[i].v) return false;  // ratios that aren't whole
    if (static_cast<std::int64_t>(width_) * height_ > kMaxPicturePixels) return false;
    mcusX_ = (width_ + 8 * hmax_ - 1) / (8 * hmax_);
    mcusY_ = (height_ + 8 * vmax_ - 1) / (8 * vmax_);
    for (int i = 0; i < count_; ++i) {
        Component& c = comp_[i];
        c.x = (width_ * c.h + hmax_ - 1) / hmax_;
        c.y = (height_ * c.v + vmax_ - 1) / vmax_;
        c.bw = mcusX_ * c.h, c.bh = mcusY_ * c.v;
        c.hs = hmax_ / c.h, c.vs = vmax_ / c.v;
        // The triangle filter where libjpeg has it: for colour sampled
        // 2x1, 1x2 or 2x2 over more than two samples; other factors repeat.
        c.fancy = count_ > 1 && c.x > 2 && ((c.hs == 2 && c.vs <= 2) || (c.hs == 1 && c.vs == 2));
        if (c.fancy && c.vs == 2) fancyRows_ = true;
    }
    if (count_ == 1) {
        if (!load.SetSection(width_, height_, 8, 256)) return false;
        std::uint8_t* table = load.table();
        for (int i = 0; i < 256; ++i, table += 4)
            table[0] = table[1] = table[2] = static_cast<std::uint8_t>(i), table[3] = 0;
    } else if (!load.SetSection(width_, height_, 24, 0)) {
        return false;
    }
    return Prepare();
}

// The tables, the rows' buffers and, for a progressive frame, the
// coefficients.
bool Jpeg::Prepare() {
    for (int i = 0; i < 1024; ++i) {
        clamp_[i] = static_cast<std::uint8_t>(i < 256 ? 0 : i < 512 ? i - 256 : 255);
    }
    for (int i = 0; i < 256; ++i) {
        const int d = i - 128;  // ITU-R BT.601 as JFIF has it, in 16 bits
        crR_[i] = static_cast<std::uint32_t>(((91881 * d + 32768) >> 16) + 256);
        cbB_[i] = static_cast<std::uint32_t>(((116130 * d + 32768) >> 16) + 256);
        crG_[i] = static_cast<std::uint32_t>((-46802 * d + 32768) >> 16);
        cbG_[i] = static_cast<std::uint32_t>(((-22554 * d + 32768) >> 16) + 256);
    }
    for (std::int32_t& q : ones_) q = 1;
    for (int k = 0; k < 64 + 16; ++k) place_[k] = kNatural[k] | ColumnBit(kNatural[k]) << 8;
    std::uint64_t size = 0;
    if (count_ > 1) {
        for (int i = 0; i < count_; ++i) {
            Component& c = comp_[i];
            // The rows of one MCU row, or of two when the triangle filter
            // needs the row below the last; a power of two, so that a row's
            // place is its number's low bits (whole blocks: a multiple of 8).
            for (c.ring = 8; c.ring < c.v * 8 * (fancyRows_ ? 2 : 1);) c.ring *= 2;
            c.rowBytes = c.bw * 8 + 8;
            size += static_cast<std::uint64_t>(c.ring) * static_cast<std::uint64_t>(c.rowBytes);
            if (c.hs > 1 || (c.fancy && c.vs == 2))
                size += (static_cast<std::uint64_t>(c.x) * static_cast<std::uint64_t>(c.hs) + 11) / 4 * 4 +
                        2 * static_cast<std::uint64_t>(c.x) + 4;  // each part a multiple of 4 bytes
        }
        if (size > kMostBlock) return false;
        work_ = static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(size), 1));
        if (!work_) return false;
        std::uint8_t* at = work_;
        for (int i = 0; i < count_; ++i) {
            Component& c = comp_[i];
            c.plane = at;
            at += static_cast<std::size_t>(c.ring) * static_cast<std::size_t>(c.rowBytes);
            if (c.hs > 1 || (c.fancy && c.vs == 2)) {
                c.sums = reinterpret_cast<std::int16_t*>(at);
                at += 2 * static_cast<std::size_t>(c.x) + 4;
                c.up = at;
                at += (static_cast<std::size_t>(c.x) * static_cast<std::size_t>(c.hs) + 11) / 4 * 4;
            }
        }
    }
    return !progressive_ || KeepCoefficients();
}

bool Jpeg::KeepCoefficients() {
    std::uint64_t size = 0;
    for (int i = 0; i < count_; ++i)
        size += static_cast<std::uint64_t>(comp_[i].bw) * static_cast<std::uint64_t>(comp_[i].bh) * 64 * 2;
    if (size > kMostBlock) return false;
    coeff_ = static_cast<std::int16_t*>(std::calloc(static_cast<std::size_t>(size), 1));
    if (!coeff_) return false;
    std::int16_t* at = coeff_;
    for (int i = 0; i < count_; ++i) {
        comp_[i].coeff = at;
        at += static_cast<std::size_t>(comp_[i].bw) * static_cast<std::size_t>(comp_[i].bh) * 64;
    }
    kept_ = true;
    return true;
}

bool Jpeg::ScanHeader() {
    const unsigned length = Get16();
    scanCount_ = static_cast<int>(Get8());
    if (scanCount_ < 1 || scanCount_ > count_ || length != 6 + 2u * static_cast<unsigned>(scanCount_)) return false;
    for (int i = 0; i < scanCount_; ++i) {
        const int id = static_cast<int>(Get8());
        const unsigned tables = Get8();
        int which = 0;
        while (which < count_ && comp_[which].id != id) ++which;
        if (which == count_ || (tables >> 4) > 3 || (tables & 15) > 3) return false;
        comp_[which].hd = static_cast<int>(tables >> 4);
        comp_[which].ha = static_cast<int>(tables & 15);
        order_[i] = which;
    }
    ss_ = static_cast<int>(Get8());
    se_ = static_cast<int>(Get8());
    const unsigned a = Get8();
    ah_ = static_cast<int>(a >> 4), al_ = static_cast<int>(a & 15);
    if (progressive_) {
        if (ss_ > 63 || se_ > 63 || ss_ > se_ || ah_ > 13 || al_ > 13) return false;
    } else {
        if (ss_ != 0 || ah_ != 0 || al_ != 0) return false;
        se_ = 63;
    }
    // The tables it decodes with: both in a sequential scan; the DC table
    // in a progressive scan's first of the DC, the AC table in one of AC.
    const bool dc = !progressive_ || (ss_ == 0 && ah_ == 0), ac = !progressive_ || se_ != 0;
    for (int i = 0; i < scanCount_; ++i) {
        const Component& c = comp_[order_[i]];
        if ((dc && !dc_[c.hd].defined) || (ac && !ac_[c.ha].defined)) return false;
    }
    return true;
}

// ---------------------------------------------------------------- entropy

void Jpeg::Reset() {
    buf_ = 0;
    bits_ = 0;
    nomore_ = false;
    for (Component& c : comp_) c.dc = 0;
    marker_ = kNoMarker;
    todo_ = interval_ ? interval_ : INT_MAX;
    eobrun_ = 0;
}

// Bits up to more than 24 waiting: the data's bytes (0xFF 0x00 is 0xFF),
// or from a marker on, zeros. Bytes other than 0xFF are taken here; the
// rest, and the buffer's end, by FillSlow.
inline void Jpeg::Fill(std::uint32_t& buf, int& bits) {
    if (nomore_) {
        bits = 32;
        return;
    }
    const std::uint8_t* at = at_;
    while (bits <= 24) {
        if (bits <= 16 && end_ - at >= 2 && at[0] != 0xFF && at[1] != 0xFF) {  // two bytes at once
            buf |= static_cast<std::uint32_t>(at[0] << 8 | at[1]) << (16 - bits);
            at += 2;
            bits += 16;
            continue;
        }
        if (at == end_ || *at == 0xFF) {
            at_ = at;
            const Waiting w = FillSlow(buf, bits);
            buf = w.buf, bits = w.bits;
            return;
        }
        buf |= static_cast<std::uint32_t>(*at++) << (24 - bits);
        bits += 8;
    }
    at_ = at;
}

Jpeg::Waiting Jpeg::FillSlow(std::uint32_t buf, int bits) {
    do {
        unsigned b = Get8();
        if (b == 0xFF) {
            unsigned c = Get8();
            while (c == 0xFF) c = Get8();
            if (c != 0) {
                marker_ = c;
                nomore_ = true;
                break;
            }
        }
        buf |= b << (24 - bits);
        bits += 8;
    } while (bits <= 24);
    return {buf, bits};
}

// The next symbol of `h`; -1 for a code it lacks.
inline int Jpeg::Decode(const Huffman& h, std::uint32_t& buf, int& bits) {
    if (bits < 16) Fill(buf, bits);
    const unsigned e = h.fast[buf >> (32 - kFastBits)];
    if (e) {
        const int s = static_cast<int>(e >> 8);
        buf <<= s;
        bits -= s;
        return static_cast<int>(e & 255);
    }
    const std::uint32_t top = buf >> 16;
    int k = kFastBits + 1;
    while (top >= h.maxcode[k]) ++k;
    if (k == 17) {
        bits -= 16;
        return -1;
    }
    const int index = static_cast<int>(buf >> (32 - k)) + h.delta[k];
    buf <<= k;
    bits -= k;
    return h.values[index & 255];
}

// A coefficient of `n` bits (1 to 15), its sign in its first.
inline int Jpeg::Receive(std::uint32_t& buf, int& bits, int n) {
    if (bits < n) Fill(buf, bits);
    const int v = static_cast<int>(buf >> (32 - n));
    buf <<= n;
    bits -= n;
    return v >> (n - 1) ? v : v + 1 - (1 << n);
}

inline unsigned Jpeg::Bits(std::uint32_t& buf, int& bits, int n) {
    if (bits < n) Fill(buf, bits);
    const unsigned v = buf >> (32 - n);
    buf <<= n;
    bits -= n;
    return v;
}

// After a restart interval's MCUs: on past its marker, or false when none is
// there (the scan ends).
bool Jpeg::Restart() {
    if (bits_ < 24) Fill(buf_, bits_);
    if (marker_ < 0xD0 || marker_ > 0xD7) return false;
    Reset();
    return true;
}

// The blocks of the scan in their order, each decoded for `pass` (after
// each row of MCUs of the rows' pass, the rows of the picture put out). If
// the data stops where a restart marker is due, the rest of the scan has
// none: the rows' blocks are then blank.
bool Jpeg::Scan(Pass pass) {
    bool ended = false;
    auto one = [&](Component& c, int bx, int by) {
        switch (pass) {
        case Pass::Rows: return PutBlock(c, bx, by, !ended);
        case Pass::Dc: return ended || DecodeDc(c, bx, by);
        default: return ended || KeepBlock(c, bx, by, pass == Pass::Kept);
        }
    };
    const bool rows = pass == Pass::Rows && count_ > 1;
    if (scanCount_ == 1) {  // one component: its blocks row by row, each an MCU
        Component& c = comp_[order_[0]];
        const int across = (c.x + 7) >> 3, down = (c.y + 7) >> 3;
        for (int by = 0; by < down; ++by) {
            for (int bx = 0; bx < across; ++bx) {
                if (!one(c, bx, by)) return false;
                if (!ended && --todo_ <= 0 && !Restart()) ended = true;
            }
            if (rows) PutRows(by);
        }
        return true;
    }
    // The blocks of an MCU (up to 4 components of 4 x 4 blocks): each one's
    // component and place in it.
    struct Place {
        Component* c;
        int x, y;
    } mcu[4 * 16];
    int n = 0;
    for (int k = 0; k < scanCount_; ++k) {
        Component& c = comp_[order_[k]];
        for (int y = 0; y < c.v; ++y)
            for (int x = 0; x < c.h; ++x) mcu[n++] = {&c, x, y};
    }
    for (int my = 0; my < mcusY_; ++my) {
        for (int mx = 0; mx < mcusX_; ++mx) {
            for (const Place* b = mcu; b < mcu + n; ++b)
                if (!one(*b->c, mx * b->c->h + b->x, my * b->c->v + b->y)) return false;
            if (!ended && --todo_ <= 0 && !Restart()) ended = true;
        }
        if (rows) PutRows(my);
    }
    return true;
}

// A block of a sequential scan, decoded or (without `decode`) blank, into
// the rows of its component, a grey picture's into the section.
bool Jpeg::PutBlock(Component& c, int bx, int by, bool decode) {
    unsigned columns = 0;
    if (decode && !DecodeBlock(c, quant_[c.tq], block_, columns)) return false;
    if (count_ == 1)
        IdctInto(bx, by, columns);
    else
        Idct(block_, columns, c.Row(by * 8) + bx * 8, c.rowBytes);
    return true;
}

// A block of a sequential scan whose coefficients are kept (`keep`), or
// whose verdict alone counts.
bool Jpeg::KeepBlock(Component& c, int bx, int by, bool keep) {
    unsigned columns = 0;
    const bool ok = DecodeBlock(c, ones_, block_, columns);
    if (ok && keep) {
        std::int16_t* data = Coefficients(c, bx, by);
        for (int k = 0; k < 64; ++k) data[k] = static_cast<std::int16_t>(block_[kNatural[k]]);
    }
    std::memset(block_, 0, sizeof block_);
    return ok;
}

// A block of a sequential scan into `block` (zero before), each coefficient
// times its step in `quant`; `columns` says where they are (ColumnBit).
bool Jpeg::DecodeBlock(Component& c, const std::int32_t* quant, std::int32_t* block, unsigned& columns) {
    std::uint32_t buf = buf_;
    int bits = bits_;
    const int t = Decode(dc_[c.hd], buf, bits);
    bool ok = t >= 0 && t <= 15;
    if (ok) {
        c.dc += t ? Receive(buf, bits, t) : 0;
        const int dc = static_cast<std::int16_t>(c.dc);  // a coefficient has 16 bits, as libjpeg keeps it
        block[0] = dc * quant[0];
        unsigned cols = Large(dc) ? 1 | kLarge : 1;
        const std::int16_t* fast = fastAc_[c.ha];
        const Huffman& h = ac_[c.ha];
        const std::uint32_t* place = place_;
        for (int k = 1; k < 64;) {
            if (bits < 16) Fill(buf, bits);
            const int f = fast[buf >> (32 - kFastBits)];
            std::uint32_t p;
            if (f) {
                const int s = f & 15;
                buf <<= s;
                bits -= s;
                if (static_cast<unsigned>(f) < 16) break;  // the end of the block
                k += (f >> 4) & 15;
                p = place[k++];
                block[p & 63] = (f >> 8) * quant[p & 63];
            } else {
                const int rs = Decode(h, buf, bits);
                if (rs < 0) {
                    ok = false;
                    break;
                }
                const int s = rs & 15;
                if (!s) {
                    if (rs != 0xF0) break;  // the end of the block
                    k += 16;
                    continue;
                }
                k += rs >> 4;
                p = place[k++];
                block[p & 63] = Receive(buf, bits, s) * quant[p & 63];
                if (s > 10) cols |= kLarge;  // past 1023
            }
            cols |= p >> 8;
        }
        columns = cols;
    }
    buf_ = buf;
    bits_ = bits;
    return ok;
}

// A progressive scan's DC of a block: its first bits, or one more.
bool Jpeg::DecodeDc(Component& c, int bx, int by) {
    std::int16_t* data = Coefficients(c, bx, by);
    if (bits_ < 16) Fill(buf_, bits_);
    if (ah_ == 0) {
        if (acScans_) std::memset(data, 0, 64 * sizeof *data);  // else the block holds nothing yet but a DC
        const int t = Decode(dc_[c.hd], buf_, bits_);
        if (t < 0 || t > 15) return false;
        c.dc += t ? Receive(buf_, bits_, t) : 0;
        data[0] = static_cast<std::int16_t>(c.dc * (1 << al_));
    } else if (Bits(buf_, bits_, 1)) {
        data[0] = static_cast<std::int16_t>(data[0] + (1 << al_));
    }
    return true;
}

// A progressive scan of AC coefficients, which holds one component: its
// blocks row by row, each its band's first bits or one more bit.
bool Jpeg::ScanAc() {
    const Component& c = comp_[order_[0]];
    const int across = (c.x + 7) >> 3, down = (c.y + 7) >> 3;
    for (int by = 0; by < down; ++by) {
        std::int16_t* data = Coefficients(c, 0, by);
        for (int bx = 0; bx < across; ++bx, data += 64) {
            if (!(ah_ ? RefineAc(c, data) : FirstAc(c, data))) return false;
            if (--todo_ <= 0 && !Restart()) return true;  // the rest of the scan has no data
        }
    }
    return true;
}

// The first bits of a block's band ss_ to se_: its coefficients, or the end
// of the band in this block and in as many after.
inline bool Jpeg::FirstAc(const Component& c, std::int16_t* data) {
    if (eobrun_) {  // a block of a run of ends of band: nothing in it
        --eobrun_;
        return true;
    }
    const std::int16_t* fast = fastAc_[c.ha];
    const Huffman& h = ac_[c.ha];
    std::uint32_t buf = buf_;
    int bits = bits_;
    int k = ss_;
    do {
        if (bits < 16) Fill(buf, bits);
        const int f = fast[buf >> (32 - kFastBits)];
        if (f >> 8) {  // a coefficient (the end of a block and 16 zeros below)
            k += (f >> 4) & 15;
            const int s = f & 15;
            buf <<= s;
            bits -= s;
            data[k < 64 ? k : 63] = static_cast<std::int16_t>((f >> 8) * (1 << al_));
            ++k;
            continue;
        }
        const int rs = Decode(h, buf, bits);
        if (rs < 0) return false;
        const int s = rs & 15, r = rs >> 4;
        if (!s) {
            if (r < 15) {  // the end of this block and of the next 2^r - 1 + bits
                eobrun_ = (1 << r) - 1;
                if (r) eobrun_ += static_cast<int>(Bits(buf, bits, r));
                break;
            }
            k += 16;
        } else {
            k += r;
            const int value = Receive(buf, bits, s) * (1 << al_);
            data[k < 64 ? k : 63] = static_cast<std::int16_t>(value);
            ++k;
        }
    } while (k <= se_);
    buf_ = buf;
    bits_ = bits;
    return true;
}

// One more bit of a block's band ss_ to se_: a bit of each coefficient
// already there, and the new ones (1 or -1 times the bit), each after its
// run of zeros; in a run of ends of band, the bits alone.
inline bool Jpeg::RefineAc(const Component& c, std::int16_t* data) {
    const int bit = 1 << al_;
    std::uint32_t buf = buf_;
    int bits = bits_;
    auto refine = [&](std::int16_t* p) {
        if (Bits(buf, bits, 1) && (*p & bit) == 0) *p = static_cast<std::int16_t>(*p > 0 ? *p + bit : *p - bit);
    };
    auto zeros = [](const std::int16_t* p) {  // four zero coefficients from p
        std::uint64_t four;
        std::memcpy(&four, p, sizeof four);
        return four == 0;
    };
    std::int16_t* p = data + ss_;
    std::int16_t* const end = data + se_ + 1;
    if (eobrun_) {
        --eobrun_;
    } else {
        const std::int16_t* fast = fastAc_[c.ha];
        const Huffman& h = ac_[c.ha];
        while (p < end) {
            int r, value = 0;
            if (bits < 16) Fill(buf, bits);
            const int f = fast[buf >> (32 - kFastBits)];
            if (f >> 8) {  // a new coefficient after its zeros, its sign in the same look-up
                if (f >> 8 != 1 && f >> 8 != -1) return false;
                const int s = f & 15;
                buf <<= s;
                bits -= s;
                r = (f >> 4) & 15;
                value = f < 0 ? -bit : bit;
            } else {
                const int rs = Decode(h, buf, bits);
                if (rs < 0) return false;
                const int s = rs & 15;
                r = rs >> 4;
                if (s) {
                    if (s != 1) return false;
                    value = Bits(buf, bits, 1) ? bit : -bit;
                } else if (r < 15) {  // the end of this band and of the next 2^r - 1 + bits
                    eobrun_ = (1 << r) - 1;
                    if (r) eobrun_ += static_cast<int>(Bits(buf, bits, r));
                    break;
                }  // else 16 zeros, the new coefficient 0
            }
            // Past r zeros, refining the coefficients met, to the new one's place.
            while (p < end) {
                if (r >= 4 && end - p >= 4 && zeros(p)) {
                    p += 4, r -= 4;
                    continue;
                }
                std::int16_t* q = p++;
                if (*q) {
                    refine(q);
                } else if (r) {
                    --r;
                } else {
                    *q = static_cast<std::int16_t>(value);
                    break;
                }
            }
        }
    }
    // The rest of the band: a bit of each coefficient there.
    for (; end - p >= 4; p += 4) {
        if (zeros(p)) continue;
#ifdef __OPTIMIZE_SIZE__
        for (int i = 0; i < 4; ++i)
            if (p[i]) refine(p + i);
#else
        if (p[0]) refine(p);
        if (p[1]) refine(p + 1);
        if (p[2]) refine(p + 2);
        if (p[3]) refine(p + 3);
#endif
    }
    for (; p < end; ++p)
        if (*p) refine(p);
    buf_ = buf;
    bits_ = bits;
    return true;
}

bool Jpeg::DecodeScan() {
    Reset();
    if (scans_++ == 0 && !progressive_ && scanCount_ == count_) {
        // The frame's only scan, as a baseline picture has it: row by row
        // into the section.
        rows_ = true;
        ChooseColour();
        return Scan(Pass::Rows);
    }
    if (rows_) return Scan(Pass::Verdict);  // another scan of a frame already shown
    if (!kept_ && !KeepCoefficients()) return false;
    if (!progressive_) return Scan(Pass::Kept);
    if (scanCount_ == 1 && ss_ != 0) {
        ++acScans_;
        return ScanAc();
    }
    if (se_ != 0) return false;  // DC and AC in one scan
    return Scan(Pass::Dc);
}

// ---------------------------------------------------------------- samples

// One pass of 8 values of AAN's factorisation: coefficients already scaled
// by its factors in, samples out (times 8 after both passes), each handed
// to put(index, value).
template <typename Put>
inline void Aan(std::int32_t i0, std::int32_t i1, std::int32_t i2, std::int32_t i3, std::int32_t i4, std::int32_t i5,
                std::int32_t i6, std::int32_t i7, Put&& put) {
    const std::int32_t t10 = i0 + i4, t11 = i0 - i4, t13 = i2 + i6;
    const std::int32_t t12 = Mul(i2 - i6, kSqrt2) - t13;
    const std::int32_t e0 = t10 + t13, e3 = t10 - t13, e1 = t11 + t12, e2 = t11 - t12;
    const std::int32_t z13 = i5 + i3, z10 = i5 - i3, z11 = i1 + i7, z12 = i1 - i7;
    const std::int32_t o7 = z11 + z13;
    const std::int32_t o11 = Mul(z11 - z13, kSqrt2);
    const std::int32_t z5 = Mul(z10 + z12, kC2);
    const std::int32_t o10 = Mul(z12, kC2MinusC6) - z5;
    const std::int32_t o12 = z5 - Mul(z10, kC2PlusC6);
    const std::int32_t o6 = o12 - o7, o5 = o11 - o6, o4 = o10 + o5;
    put(0, e0 + o7), put(7, e0 - o7);
    put(1, e1 + o6), put(6, e1 - o6);
    put(2, e2 + o5), put(5, e2 - o5);
    put(4, e3 + o4), put(3, e3 - o4);
}

// The same when the last four inputs are 0.
template <typename Put>
inline void Aan4(std::int32_t i0, std::int32_t i1, std::int32_t i2, std::int32_t i3, Put&& put) {
    const std::int32_t t12 = Mul(i2, kSqrt2) - i2;
    const std::int32_t e0 = i0 + i2, e3 = i0 - i2, e1 = i0 + t12, e2 = i0 - t12;
    const std::int32_t o7 = i1 + i3;
    const std::int32_t o11 = Mul(i1 - i3, kSqrt2);
    const std::int32_t z5 = Mul(i1 - i3, kC2);
    const std::int32_t o10 = Mul(i1, kC2MinusC6) - z5;
    const std::int32_t o12 = z5 + Mul(i3, kC2PlusC6);
    const std::int32_t o6 = o12 - o7, o5 = o11 - o6, o4 = o10 + o5;
    put(0, e0 + o7), put(7, e0 - o7);
    put(1, e1 + o6), put(6, e1 - o6);
    put(2, e2 + o5), put(5, e2 - o5);
    put(4, e3 + o4), put(3, e3 - o4);
}

// The inverse DCT of `block` (left zero) into 8 rows of 8 samples at `out`.
// A column without coefficients below its first takes no pass of its own;
// without any in the right half, the passes across take 4 inputs; rows the
// same in every column, one pass for all.
#ifndef __OPTIMIZE_SIZE__
__attribute__((always_inline)) inline  // in each of its few callers, but for size
#endif
void Jpeg::Idct(std::int32_t* block, unsigned columns, std::uint8_t* out, std::ptrdiff_t stride) {
    if (columns & kLarge)  // damaged data: coefficients cut to what the transform's 32 bits hold
        for (int i = 0; i < 64; ++i) block[i] = block[i] < -(1 << 17) ? -(1 << 17) : block[i] > 1 << 17 ? 1 << 17 : block[i];
    if ((columns & 0xFFFEu) == 0) {  // the DC alone: the block is one sample
        const std::uint8_t v = Clamp((block[0] + kLevel) >> kShift);
        block[0] = 0;
        for (int r = 0; r < 8; ++r, out += stride) std::memset(out, v, 8);
        return;
    }
    block[0] += kLevel;
    std::int32_t ws[64];
    // The short cut costs code that the product, built for size, goes
    // without.
#ifdef __OPTIMIZE_SIZE__
    constexpr bool half = false;
#else
    const bool half = (columns & 0xF0F0u) == 0;
#endif
    const int used = half ? 4 : 8;
    for (int c = 0; c < used; ++c) {
        std::int32_t* in = block + c;
        std::int32_t* w = ws + c;
        if (!(columns & (0x100u << c))) {
            const std::int32_t v = in[0];
            in[0] = 0;
            w[0] = w[8] = w[16] = w[24] = w[32] = w[40] = w[48] = w[56] = v;
            continue;
        }
        Aan(in[0], in[8], in[16], in[24], in[32], in[40], in[48], in[56], [w](int i, std::int32_t v) { w[8 * i] = v; });
        in[0] = in[8] = in[16] = in[24] = in[32] = in[40] = in[48] = in[56] = 0;
    }
    if ((columns & 0xFEFEu) == 0) {  // column 0 alone: each row is one sample
        for (int r = 0; r < 8; ++r, out += stride) std::memset(out, Clamp(ws[8 * r] >> kShift), 8);
        return;
    }
    const int rows = columns & 0xFF00u ? 8 : 1;  // without lower rows, every row is the first
    std::uint8_t* to = out;
    // A row's samples, clamped only when one is outside 0 to 255, which few are.
    auto row = [](std::uint8_t* to, std::int32_t o0, std::int32_t o1, std::int32_t o2, std::int32_t o3,
                       std::int32_t o4, std::int32_t o5, std::int32_t o6, std::int32_t o7) {
        o0 >>= kShift, o1 >>= kShift, o2 >>= kShift, o3 >>= kShift, o4 >>= kShift, o5 >>= kShift, o6 >>= kShift,
            o7 >>= kShift;
        if ((o0 | o1 | o2 | o3 | o4 | o5 | o6 | o7) & ~255) {
            to[0] = Clamp(o0), to[1] = Clamp(o1), to[2] = Clamp(o2), to[3] = Clamp(o3);
            to[4] = Clamp(o4), to[5] = Clamp(o5), to[6] = Clamp(o6), to[7] = Clamp(o7);
        } else {
            to[0] = static_cast<std::uint8_t>(o0), to[1] = static_cast<std::uint8_t>(o1);
            to[2] = static_cast<std::uint8_t>(o2), to[3] = static_cast<std::uint8_t>(o3);
            to[4] = static_cast<std::uint8_t>(o4), to[5] = static_cast<std::uint8_t>(o5);
            to[6] = static_cast<std::uint8_t>(o6), to[7] = static_cast<std::uint8_t>(o7);
        }
    };
    std::int32_t o[8];
    auto put = [&o](int i, std::int32_t v) { o[i] = v; };
    if (half) {
        for (int r = 0; r < rows; ++r, to += stride) {
            const std::int32_t* w = ws + 8 * r;
            Aan4(w[0], w[1], w[2], w[3], put);
            row(to, o[0], o[1], o[2], o[3], o[4], o[5], o[6], o[7]);
        }
    } else {
        for (int r = 0; r < rows; ++r, to += stride) {
            const std::int32_t* w = ws + 8 * r;
            Aan(w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], put);
            row(to, o[0], o[1], o[2], o[3], o[4], o[5], o[6], o[7]);
        }
    }
    for (int r = rows; r < 8; ++r, to += stride) std::memcpy(to, out, 8);
}

// A grey picture's block straight into the section's rows; one at its
// right or bottom edge through a block of its own.
void Jpeg::IdctInto(int bx, int by, unsigned columns) {
    const int x0 = bx * 8, y0 = by * 8;
    std::uint8_t* top = section_ + static_cast<std::size_t>(height_ - 1 - y0) * stride_ + x0;
    const std::ptrdiff_t up = -static_cast<std::ptrdiff_t>(stride_);
    if (x0 + 8 <= width_ && y0 + 8 <= height_) {
        Idct(block_, columns, top, up);
        return;
    }
    Idct(block_, columns, edge_, 8);
    const int w = width_ - x0 < 8 ? width_ - x0 : 8, h = height_ - y0 < 8 ? height_ - y0 : 8;
    for (int r = 0; r < h; ++r) std::memcpy(top + up * r, edge_ + 8 * r, static_cast<std::size_t>(w));
}

// A kept block's coefficients (in zigzag order) times their steps into
// block_, four at a time passed over while they are 0.
void Jpeg::Dequantize(const Component& c, int bx, int by, unsigned& columns) {
    const std::int16_t* data = Coefficients(c, bx, by);
    const std::int32_t* quant = quant_[c.tq];
    unsigned cols = 1, range = 0;
    auto one = [&](int k) {
        if (!data[k]) return;
        const std::uint32_t p = place_[k];
        block_[p & 63] = data[k] * quant[p & 63];
        cols |= p >> 8;
        range |= static_cast<unsigned>(data[k] + 2048);  // past 4095 when one is Large
    };
    for (int k = 0; k < 64; k += 8) {  // eight at a time, passed over while they are 0
        std::uint64_t four[2];
        std::memcpy(four, data + k, sizeof four);
        if (!(four[0] | four[1])) continue;
#ifdef __OPTIMIZE_SIZE__
        for (int i = k; i < k + 8; ++i) one(i);  // the product goes without the unrolled form's code
#else
        if (four[0]) one(k), one(k + 1), one(k + 2), one(k + 3);
        if (four[1]) one(k + 4), one(k + 5), one(k + 6), one(k + 7);
#endif
    }
    columns = range > 4095 ? cols | kLarge : cols;
}

// The rows of the picture whose samples are all decoded once MCU row
// `mcuRow` is: a row whose chroma is filtered with the row below waits for
// the next.
void Jpeg::PutRows(int mcuRow) {
    // 2x2 colour goes out two rows at a time, which share their chroma row.
    int limit = (mcuRow + 1) * vmax_ * 8 - (merged_ ? 2 : fancyRows_ ? 1 : 0);
    if (mcuRow == mcusY_ - 1 || limit > height_) limit = height_;
    if (!merged_) {
        for (; next_ < limit; ++next_) PutRow(next_);
        return;
    }
    for (; next_ + 1 < limit; next_ += 2) PutRows2x2(next_, true);
    if (next_ < limit) PutRows2x2(next_++, false);  // the last of an odd height
}

// A component's samples for row y of the picture, one a pixel.
const std::uint8_t* Jpeg::Sampled(Component& c, int y) {
    const int r = y / c.vs;
    const std::uint8_t* near = c.Row(r);
    const int n = c.x;
    std::uint8_t* up = c.up;
    if (!c.fancy) {  // each sample repeated
        if (c.hs == 1) return near;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < c.hs; ++j) up[i * c.hs + j] = near[i];
        return up;
    }
    std::int16_t* s = c.sums;
    if (c.vs == 2) {  // 3/4 of this row and 1/4 of the nearer other
        int other = y & 1 ? r + 1 : r - 1;
        if (other < 0) other = 0;
        if (other >= c.y) other = c.y - 1;
        const std::uint8_t* far = c.Row(other);
        for (int i = 0; i < n; ++i) s[i] = static_cast<std::int16_t>(3 * near[i] + far[i]);
        if (c.hs == 1) {
            for (int i = 0; i < n; ++i) up[i] = static_cast<std::uint8_t>((s[i] + 2) >> 2);
            return up;
        }
    } else {
        for (int i = 0; i < n; ++i) s[i] = static_cast<std::int16_t>(4 * near[i]);
    }
    // The same across.
    up[0] = static_cast<std::uint8_t>((4 * s[0] + 8) >> 4);
    up[1] = static_cast<std::uint8_t>((3 * s[0] + s[1] + 7) >> 4);
    for (int i = 1; i < n - 1; ++i) {
        const int t = 3 * s[i];
        up[2 * i] = static_cast<std::uint8_t>((t + s[i - 1] + 8) >> 4);
        up[2 * i + 1] = static_cast<std::uint8_t>((t + s[i + 1] + 7) >> 4);
    }
    up[2 * n - 2] = static_cast<std::uint8_t>((3 * s[n - 1] + s[n - 2] + 8) >> 4);
    up[2 * n - 1] = static_cast<std::uint8_t>((4 * s[n - 1] + 7) >> 4);
    return up;
}

// Row y of a colour picture, from its components' samples. Four
// components are CMYK, or YCCK, as Adobe's marker says (each inverted, as
// Adobe writes them, and multiplied by K), else YCbCr and a fourth left out.
void Jpeg::PutRow(int y) {
    std::uint8_t* out = section_ + static_cast<std::size_t>(height_ - 1 - y) * stride_;
    const std::uint8_t* s0 = Sampled(comp_[0], y);
    const std::uint8_t* s1 = Sampled(comp_[1], y);
    const std::uint8_t* s2 = Sampled(comp_[2], y);
    const int n = width_;
    if (rgb_) {
        for (int x = 0; x < n; ++x, out += 3) out[0] = s2[x], out[1] = s1[x], out[2] = s0[x];
        return;
    }
    if (count_ == 4 && adobe_ == 0) {
        const std::uint8_t* k = Sampled(comp_[3], y);
        for (int x = 0; x < n; ++x, out += 3) out[0] = Times(s2[x], k[x]), out[1] = Times(s1[x], k[x]), out[2] = Times(s0[x], k[x]);
        return;
    }
    for (int x = 0; x < n; ++x, out += 3) Pixel(out, s0[x], s1[x], s2[x]);
    if (count_ == 4 && adobe_ == 2) {
        const std::uint8_t* k = Sampled(comp_[3], y);
        out -= 3 * n;
        for (int x = 0; x < n; ++x, out += 3)
            for (int i = 0; i < 3; ++i) out[i] = Times(static_cast<std::uint8_t>(255 - out[i]), k[x]);
    }
}

// Rows y and y + 1 (y even; without `both`, y alone) of a colour picture
// whose chroma is sampled 2x2, upsampled with the triangle filter as they
// are turned into pixels: down, sums of 3/4 of the nearer chroma row and
// 1/4 of the farther (the one above for row y, below for y + 1); across, 3/4
// of the nearer sum and 1/4 of the farther, each pair of pixels sharing the
// nearer. Cb's and Cr's planes have the same rows, so the farther row is as
// far from the nearer in both.
void Jpeg::PutRows2x2(int y, bool both) {
    std::uint8_t* out = section_ + static_cast<std::size_t>(height_ - 1 - y) * stride_;
    std::uint8_t* out1 = both ? out - stride_ : out;
    const std::uint8_t* luma = comp_[0].Row(y);
    const std::uint8_t* luma1 = both ? comp_[0].Row(y + 1) : luma;
    const Component& cb = comp_[1];
    const int r = y >> 1, n = cb.x;
    const std::uint8_t* b = cb.Row(r);
    const std::uint8_t* c = comp_[2].Row(r);
    const std::ptrdiff_t above = cb.Row(r > 0 ? r - 1 : 0) - b;
    const std::ptrdiff_t below = both ? cb.Row(r + 1 < cb.y ? r + 1 : r) - b : above;
    // Each row's last sample repeated past it, where the last pair reads
    // the next.
    const std::uint8_t* rows[] = {b, b + above, b + below, c, c + above, c + below};
    for (const std::uint8_t* row : rows) const_cast<std::uint8_t*>(row)[n] = row[n - 1];
    // The sums for the upper row and for the lower, each Cb's in the low
    // half and Cr's in the high.
    std::uint32_t t0, t1;
    auto sums = [&](const std::uint8_t* b, const std::uint8_t* c) {
        const std::uint32_t near3 = 3u * (b[0] | c[0] << 16);
        t0 = near3 + (b[above] | c[above] << 16);
        t1 = near3 + (b[below] | c[below] << 16);
    };
    sums(b++, c++);
    std::uint32_t u0 = t0, u1 = t1, p0 = t0, p1 = t1;
    constexpr std::uint32_t kLeft = 8u | 8u << 16, kRight = 7u | 7u << 16;
    const int pairs = width_ >> 1;
    for (int i = 1; i <= pairs; ++i, out += 6, out1 += 6, luma += 2, luma1 += 2, ++b, ++c) {
        sums(b, c);  // at n, the last repeated
        std::uint32_t three = 3 * u0, left = three + p0 + kLeft, right = three + t0 + kRight;
        Pixel(out, luma[0], (left >> 4) & 255, left >> 20);
        Pixel(out + 3, luma[1], (right >> 4) & 255, right >> 20);
        three = 3 * u1, left = three + p1 + kLeft, right = three + t1 + kRight;
        Pixel(out1, luma1[0], (left >> 4) & 255, left >> 20);
        Pixel(out1 + 3, luma1[1], (right >> 4) & 255, right >> 20);
        p0 = u0, u0 = t0, p1 = u1, u1 = t1;
    }
    if (width_ & 1) {
        std::uint32_t left = 3 * u0 + p0 + kLeft;
        Pixel(out, luma[0], (left >> 4) & 255, left >> 20);
        left = 3 * u1 + p1 + kLeft;
        Pixel(out1, luma1[0], (left >> 4) & 255, left >> 20);
    }
}

// A frame whose coefficients were kept, a row of MCUs at a time.
void Jpeg::PutKept() {
    ChooseColour();
    for (int my = 0; my < mcusY_; ++my) {
        for (int k = 0; k < count_; ++k) {
            const Component& c = comp_[k];
            for (int by = my * c.v; by < (my + 1) * c.v; ++by)
                for (int bx = 0; bx < c.bw; ++bx) {
                    unsigned columns = 0;
                    if (count_ == 1) {
                        if (bx * 8 >= width_ || by * 8 >= height_) continue;
                        Dequantize(c, bx, by, columns);
                        IdctInto(bx, by, columns);
                    } else {
                        Dequantize(c, bx, by, columns);
                        Idct(block_, columns, c.Row(by * 8) + bx * 8, c.rowBytes);
                    }
                }
        }
        if (count_ > 1) PutRows(my);
    }
}

// ---------------------------------------------------------------- the load

bool Jpeg::Start(PictureSource& source, const PictureHead& head, PictureLoad& load) {
    source_ = &source;
    if (source.bytes) {
        at_ = source.bytes;
        end_ = source.bytes + fileSize();
    } else {
        std::memcpy(input_, head.bytes, head.size);
        at_ = input_;
        end_ = input_ + head.size;
    }
    if (NextMarker() != 0xD8) return false;
    unsigned m = NextMarker();
    while (m != 0xC0 && m != 0xC1 && m != 0xC2) {
        // Before the frame, a marker follows each segment at once.
        if (m == kNoMarker || !Segment(m)) return false;
        m = NextMarker();
    }
    return Frame(m, load) && !failed_;
}

bool Jpeg::Finish(PictureSource& source, PictureLoad& load, std::uint8_t* bits) {
    source_ = &source;
    section_ = bits;
    stride_ = load.stride();
    for (;;) {
        const unsigned m = NextMarker();
        if (m == 0xD9) break;
        if (m == 0xDA) {
            if (!ScanHeader() || !DecodeScan()) return false;
            if (marker_ == kNoMarker) {
                // The data ended without a marker: the next 0xFF, whatever
                // follows it is taken for one.
                while (!AtEnd())
                    if (Get8() == 0xFF) {
                        marker_ = Get8();
                        break;
                    }
            }
        } else if (m == 0xDC) {  // the number of lines, which must be the frame's
            const unsigned length = Get16(), lines = Get16();
            if (length != 4 || lines != static_cast<unsigned>(height_)) return false;
        } else if (!Segment(m)) {
            return false;
        }
        if (failed_) return false;
    }
    if (kept_)
        PutKept();
    else if (!rows_)
        std::memset(bits, 128, load.bitsSize());  // a frame without a scan: grey
    return !failed_;
}

}  // namespace

PictureDecoder* StartJpeg(PictureSource& source, const PictureHead& head, PictureLoad& load) {
    Jpeg* jpeg = new (std::nothrow) Jpeg(head);
    if (jpeg && !jpeg->Start(source, head, load)) {
        delete jpeg;
        return nullptr;
    }
    return jpeg;
}

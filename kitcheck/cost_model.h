// How long loading a picture holds the launcher's window on the kit's
// slowest machines: the file read from a 4x CD-ROM drive, then decoded on a
// 100 MHz Pentium. The one model of it: the slow-on-cd note, the files of
// the JSON report and `kitcheck --picture` (what fit costs its candidates
// with) all use these figures.
#pragma once

#include <cstdint>
#include <string>

// The drive: about 150 ms to find the data, then speed x 150 KB/s (KB of
// 1024 bytes); the slowest drive the kit is made for is a 4x one.
constexpr double kAccessSeconds = 0.150;
constexpr double kSingleSpeedBytesPerSecond = 150.0 * 1024;
constexpr int kSlowDriveSpeed = 4;

// The processor: a 100 MHz Pentium, taken at one instruction a cycle.
constexpr double kInstructionsPerSecond = 100e6;

// A window that ignores the user for longer than this at every tick feels
// stuck, however long the interval.
constexpr double kHeldTooLong = 1.0;

// Instructions a pixel of the launcher's decoders, by the kind of picture
// (the callgrind counts of `scripts/bench.sh --count`, x86_64, -O2). Change
// a figure here when the benchmark measures anew.
struct DecodeCost {
    const char* kind;
    double instructionsPerPixel;
};
inline constexpr DecodeCost kDecodeCosts[] = {
    // Plain bitmaps: the system reads the rows straight into the section,
    // and the launcher's own share is a few thousand instructions in all.
    // What is counted is the system's copy, at four bytes an instruction.
    {"bmp24", 0.75},
    {"bmp8", 0.25},
    {"rle8", 4.9},        // run-length 8-bit bitmap
    {"bmp-other", 12.0},  // 1, 4, 16, 32 bits, masks, RLE4: not measured; RLE8 before it was read in place
    // JPEG photographs: quality 90 in full colour (grey and other factors
    // taken as that), quality 82 with the colour sampled 2x2, baseline and
    // progressive.
    {"jpeg-baseline", 91.0},
    {"jpeg-baseline-2x2", 64.0},
    {"jpeg-progressive", 90.0},
    {"gif", 39.1},  // 256 colours, kept in 8 bits
};

// The instructions a pixel of a kind, or a negative number for no kind of
// the table.
double InstructionsPerPixel(const std::string& kind);

// The seconds a drive of this speed takes for a file of this size.
double ReadSeconds(std::uint64_t bytes, int speed = kSlowDriveSpeed);

struct PictureCost {
    double read = 0;    // seconds, on the 4x drive
    double decode = 0;  // seconds, on the 100 MHz Pentium
    double hold() const { return read + decode; }
};

// The cost of a picture file of `bytes` with `pixels` pixels of `kind`.
PictureCost CostOf(std::uint64_t bytes, std::uint64_t pixels, const std::string& kind);

// The longest a picture may hold the window: kHeldTooLong, and for a
// background picture no longer than the slideshow's interval (ms) either,
// when the slideshow runs.
double HoldLimit(bool background, long interval);

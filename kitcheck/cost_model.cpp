#include "kitcheck/cost_model.h"

double InstructionsPerPixel(const std::string& kind) {
    for (const DecodeCost& cost : kDecodeCosts)
        if (kind == cost.kind) return cost.instructionsPerPixel;
    return -1;
}

double ReadSeconds(std::uint64_t bytes, int speed) {
    return kAccessSeconds + static_cast<double>(bytes) / (kSingleSpeedBytesPerSecond * speed);
}

PictureCost CostOf(std::uint64_t bytes, std::uint64_t pixels, const std::string& kind) {
    const double perPixel = InstructionsPerPixel(kind);
    return {ReadSeconds(bytes), perPixel < 0 ? 0 : static_cast<double>(pixels) * perPixel / kInstructionsPerSecond};
}

double HoldLimit(bool background, long interval) {
    const double seconds = static_cast<double>(interval) / 1000;
    if (background && interval > 0 && seconds < kHeldTooLong) return seconds;
    return kHeldTooLong;
}

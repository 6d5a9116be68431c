// Decodes a picture file with the launcher's own decoders and writes what they
// made as a binary PPM (P6, top row first), so that scripts can compare the
// pixels the launcher shows with those they meant:
//     picture_ppm FILE > OUT.ppm
// Exit status 0 decoded, 1 refused (as the launcher skips it), 2 usage or an
// unreadable file.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "pictures/dib.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: picture_ppm FILE > OUT.ppm\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "picture_ppm: cannot read %s\n", argv[1]);
        return 2;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Dib dib;
    if (!DecodePicture(bytes.data(), bytes.size(), 0, dib)) {
        std::fprintf(stderr, "picture_ppm: %s: refused\n", argv[1]);
        return 1;
    }
    std::printf("P6\n%d %d\n255\n", dib.width, dib.height);
    std::vector<std::uint8_t> line(3 * static_cast<std::size_t>(dib.width));
    for (int y = dib.height - 1; y >= 0; --y) {  // the Dib's rows are bottom first
        const std::uint8_t* row = dib.bits() + dib.stride() * static_cast<std::size_t>(y);
        for (int x = 0; x < dib.width; ++x) {
            const std::uint8_t* bgr = dib.bitCount == 8 ? dib.bytes.data() + 40 + 4 * row[x] : row + 3 * x;
            line[3 * x] = bgr[2], line[3 * x + 1] = bgr[1], line[3 * x + 2] = bgr[0];
        }
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return std::fflush(stdout) == 0 ? 0 : 2;
}

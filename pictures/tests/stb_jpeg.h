// The launcher's JPEG decoding before it had a decoder of its own, kept
// whole as the tests' reference: its check of the file's markers, its
// refusal of Huffman tables stb_image 2.27 mishandles, then stb_image 2.27
// (Debian's libstb-dev, only JPEG, no SIMD) itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Whether the launcher accepted the file before, and then its picture: red,
// green and blue, top row first. stb_image reads memory no scan of a
// damaged file wrote (coefficients, samples), so its verdict on such a file
// followed what the heap held: its blocks here are filled with `fill`, and
// a verdict that changes with it was never defined.
bool StbJpeg(const std::uint8_t* data, std::size_t size, int& width, int& height, std::vector<std::uint8_t>& rgb,
             std::uint8_t fill = 0);

// stb_image as the pictures build it, its implementation in the file that
// includes this one after defining the format it is for (STBI_ONLY_...):
// reading from memory only, no SIMD, HDR, linear light, thread-local
// storage or failure texts, its blocks from the C heap (PictureLoad frees
// a decoder's pixels with free).
#pragma once

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_SIMD
#define STBI_NO_THREAD_LOCALS
#define STBI_NO_FAILURE_STRINGS
#define STBI_MALLOC(size) malloc(size)
#define STBI_REALLOC(block, size) realloc(block, size)
#define STBI_FREE(block) free(block)
#include <stb_image.h>

// What a kit's file is, by its first bytes: the picture formats an author
// may meet, and whether Windows starts a file as a program.
#pragma once

#include <string>

// The format whose signature the file starts with ("PNG", "TIFF", "ICO"...,
// and "BMP", "JPEG", "GIF", the launcher's own), or empty when none is known.
std::string PictureFormatOf(const std::string& bytes);

// What a picture file is to the launcher: whether its own decoders show it,
// and if not why; its kind, size and what loading it costs (cost_model.h).
#pragma once

#include <cstdint>
#include <string>

#include "kitcheck/cost_model.h"

enum class PictureVerdict { Shown, Missing, Folder, Unreadable, Empty, OtherFormat, Refused, TooLarge };

struct PictureFacts {
    PictureVerdict verdict = PictureVerdict::Missing;
    std::string format;  // by the first bytes: "BMP", "JPEG", "GIF", another format's name, or empty
    std::string kind;    // a row of the decode table (kDecodeCosts), or empty
    int width = 0, height = 0;  // as the header says, the height without its sign
    int bits = 0;               // bits a pixel of the file
    std::uint64_t bytes = 0;    // the file's size
    PictureCost cost;           // when shown
};

// How much of a file to read to judge it: all of a file the launcher would
// read, the header only of one too large for it.
std::size_t PictureBytesToRead(std::uint64_t fileSize);

// Judges a picture file of `fileSize` bytes from its first bytes (the whole
// file when it is not too large). Never Missing, Folder or Unreadable: those
// are the caller's.
PictureFacts JudgePicture(const std::string& bytes, std::uint64_t fileSize);

// The stable code of a verdict, for the JSON report: "shown", "missing"...
const char* VerdictCode(PictureVerdict verdict);

// Why a picture that is there is not shown, for a problem's message.
std::string NotShownMessage(const std::string& name, const PictureFacts& facts);

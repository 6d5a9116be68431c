// The launcher's JPEG decoding held to what came before it, over photographs
// (make_jpeg_corpus.sh): every file whole, cut short and with single bits
// changed is accepted exactly when the launcher accepted it before (the
// checks and stb_image 2.27 of stb_jpeg.h), and what it shows is held to
// libjpeg-turbo's accurate decode of the same file: at least 42 dB PSNR for
// every whole photograph, and for a damaged one whose stream libjpeg-turbo
// finds whole and in range, that or as close to what the launcher showed
// before. Prints
// a table of the verdicts and the quality, and one line for each file and
// variant where the launcher differs:
//
//     JPEG disagreement: life-q82-2x2-progressive.jpg, cut to 40000 of 98765 bytes: ...
//
// SETUP32_JPEG_CORPUS names a folder to make the corpus in (or to read it
// from when it is there); SETUP32_JPEG_REPORT a file for every such line.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pictures/tests/jpeg_compare.h"
#include "pictures/tests/launcher_rgb.h"
#include "pictures/tests/stb_jpeg.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr double kLeastPsnr = 42.0;  // dB against libjpeg-turbo's accurate decode, whole photographs

struct Variant {
    std::string what;  // "whole", "cut to N of M bytes", "bit B of byte N flipped"
    Bytes bytes;
};

// The figures of one kind of variant.
struct Tally {
    int files = 0, accepted = 0, refused = 0, disagree = 0, undefined = 0;
    // PSNR against libjpeg-turbo: files compared, under 42 dB, those whose
    // stream it found whole (no warning) with every sample in range.
    int compared = 0, below = 0, whole = 0;
    double least = INFINITY, leastBefore = INFINITY, leastWhole = INFINITY;
};

std::string Fixed(double v) {
    if (std::isinf(v)) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dB", v);
    return text;
}

class JpegCorpus : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* given = std::getenv("SETUP32_JPEG_CORPUS");
        if (given && *given) {
            folder_ = given;
        } else {
            char name[] = "/tmp/jpeg-corpus.XXXXXX";
            ASSERT_NE(mkdtemp(name), nullptr);
            folder_ = name;
            made_ = true;
        }
        if (Names().empty()) {
            const std::string command = PICTURE_TESTS_DIR "/make_jpeg_corpus.sh '" + folder_ + "'";
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
        }
    }
    static void TearDownTestSuite() {
        if (made_) std::system(("rm -rf '" + folder_ + "'").c_str());
    }

    static std::vector<std::string> Names() {
        std::vector<std::string> names;
        if (DIR* dir = opendir(folder_.c_str())) {
            while (dirent* e = readdir(dir)) {
                const std::string name = e->d_name;
                if (name.size() > 4 && name.compare(name.size() - 4, 4, ".jpg") == 0) names.push_back(name);
            }
            closedir(dir);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    static Bytes Read(const std::string& name) {
        std::ifstream in(folder_ + "/" + name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

    // One variant of a file through the launcher, the launcher before and
    // libjpeg-turbo; what differs goes to the disagreements.
    void Check(const std::string& file, const Variant& v, std::size_t piece, Tally& tally) {
        const std::size_t size = v.bytes.size();
        std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[size ? size : 1]);
        std::copy(v.bytes.begin(), v.bytes.end(), exact.get());
        RgbPicture ours, before;
        const bool launcher = LauncherDecode(exact.get(), size, piece, ours);
        const bool was = StbJpeg(exact.get(), size, before.width, before.height, before.rgb);
        if (launcher != was) {
            // A verdict that followed what stb_image's blocks held was never defined.
            RgbPicture other;
            if (StbJpeg(exact.get(), size, other.width, other.height, other.rgb, 0xA5) != was ||
                StbJpeg(exact.get(), size, other.width, other.height, other.rgb, 0xFF) != was) {
                ++tally.undefined;
            } else {
                ++tally.disagree;
                Disagree(file, v, launcher ? "the launcher accepts it, it was refused before"
                                           : "the launcher refuses it, it was accepted before");
            }
        } else {
            ++(launcher ? tally.accepted : tally.refused);
        }
        if (!launcher) return;
        if (was && (ours.width != before.width || ours.height != before.height)) {
            ++tally.disagree;
            Disagree(file, v, "the launcher shows it at " + std::to_string(ours.width) + " x " +
                                  std::to_string(ours.height) + ", it was " + std::to_string(before.width) + " x " +
                                  std::to_string(before.height));
            return;
        }
        RgbPicture reference;
        int warnings = 0;
        bool inRange = false;
        if (!LibjpegDecode(v.bytes.data(), size, reference, warnings, &inRange) || reference.width != ours.width ||
            reference.height != ours.height)
            return;
        const double psnr = Psnr(ours, reference);
        ++tally.compared;
        tally.least = std::min(tally.least, psnr);
        if (was) tally.leastBefore = std::min(tally.leastBefore, Psnr(before, reference));
        if (psnr < kLeastPsnr) ++tally.below;
        if (inRange) {
            ++tally.whole;
            tally.leastWhole = std::min(tally.leastWhole, psnr);
        }
        if (v.what == "whole") {
            if (psnr < kLeastPsnr)
                Disagree(file, v, "PSNR " + Fixed(psnr) + " against libjpeg-turbo's accurate decode, less than 42 dB");
        } else if (inRange) {
            // A damaged file whose stream libjpeg-turbo finds whole, its
            // samples in range: its pixels as libjpeg-turbo's, or where
            // stb_image read such a stream otherwise (the colours of a
            // damaged Adobe marker, the upsampling at the edge of a picture
            // a pixel wide, a progressive scan), as the launcher's before.
            const double fromBefore = was ? Psnr(ours, before) : 0.0;
            if (psnr < kLeastPsnr && fromBefore < kLeastPsnr)
                Disagree(file, v, "PSNR " + Fixed(psnr) + " against libjpeg-turbo's accurate decode of a whole stream, " +
                                      Fixed(fromBefore) + " against the launcher's before");
        }
    }

    void Disagree(const std::string& file, const Variant& v, const std::string& what) {
        lines_.push_back("JPEG disagreement: " + file + ", " + v.what + ": " + what);
    }

    // Prints the table and the disagreements (all of them to
    // SETUP32_JPEG_REPORT, when named).
    void Report(const std::vector<std::pair<const char*, Tally>>& rows) {
        std::printf("JPEG corpus (%s): the launcher against itself before (stb_image 2.27) and libjpeg-turbo\n",
                    folder_.c_str());
        std::printf("| Variants | Files | Accepted | Refused | Disagree | Undefined before | Compared with libjpeg-turbo "
                    "| Lowest PSNR | Below 42 dB | Whole streams in range | Lowest of those | Lowest before |\n");
        std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|\n");
        for (const auto& [kind, t] : rows)
            std::printf("| %s | %d | %d | %d | %d | %d | %d | %s | %d | %d | %s | %s |\n", kind, t.files, t.accepted,
                        t.refused, t.disagree, t.undefined, t.compared, Fixed(t.least).c_str(), t.below, t.whole,
                        Fixed(t.leastWhole).c_str(), Fixed(t.leastBefore).c_str());
        constexpr std::size_t kShown = 300;
        for (std::size_t i = 0; i < lines_.size() && i < kShown; ++i) std::printf("%s\n", lines_[i].c_str());
        if (lines_.size() > kShown) std::printf("... and %zu more\n", lines_.size() - kShown);
        if (const char* report = std::getenv("SETUP32_JPEG_REPORT")) {
            std::ofstream out(report);
            for (const std::string& line : lines_) out << line << "\n";
        }
        std::fflush(stdout);
    }

    static std::string folder_;
    static bool made_;
    std::vector<std::string> lines_;
};
std::string JpegCorpus::folder_;
bool JpegCorpus::made_ = false;

// Whether a file is one the tests damage in thousands of ways (the small and
// tiny photographs), or in a few (the first photograph at 617 x 564 in the
// benchmark's encodings, grey and with restart intervals).
bool Small(const Bytes& file) { return file.size() <= 16384; }
bool DamagedAFewWays(const std::string& name) {
    for (const char* few : {"q82-2x2", "q90-1x1", "q82-2x2-progressive", "q82-grey", "q82-2x2-restart1",
                            "q82-2x2-progressive-restart2"})
        if (name == std::string("aitzgorri-") + few + ".jpg") return true;
    return false;
}

std::vector<Variant> Damaged(const Bytes& file, bool small, std::uint32_t seed) {
    std::vector<Variant> out;
    const std::size_t size = file.size();
    std::vector<std::size_t> cuts = {size / 3, 2 * size / 3, size - 2};
    if (small) {
        cuts = {size - 1, size - 2};
        for (std::size_t n = 1; n < size - 2; n += 1 + size / 40) cuts.push_back(n);
    }
    for (std::size_t n : cuts)
        out.push_back({"cut to " + std::to_string(n) + " of " + std::to_string(size) + " bytes",
                       Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n))});
    for (int k = 0, flips = small ? 150 : 3; k < flips; ++k) {
        seed = seed * 1103515245u + 12345u;
        const std::size_t at = (seed >> 8) % size;
        const unsigned bit = (seed >> 28) % 8;
        Variant v{"bit " + std::to_string(bit) + " of byte " + std::to_string(at) + " flipped", file};
        v.bytes[at] ^= static_cast<std::uint8_t>(1u << bit);
        out.push_back(std::move(v));
    }
    return out;
}

TEST_F(JpegCorpus, AcceptedAsBeforeAndAsLibjpegTurboShowsIt) {
    const std::vector<std::string> names = Names();
    ASSERT_GT(names.size(), 100u) << "the corpus in " << folder_ << " was not made";
    Tally whole, cut, flipped;
    std::uint32_t seed = 1;
    for (const std::string& name : names) {
        const Bytes file = Read(name);
        ASSERT_GT(file.size(), 100u) << name;
        ++whole.files;
        Check(name, {"whole", file}, 4096, whole);
        const bool small = Small(file);
        if (!small && !DamagedAFewWays(name)) continue;
        ++cut.files, ++flipped.files;
        std::size_t piece = 1;
        for (const Variant& v : Damaged(file, small, seed++)) {
            piece = 1 + (piece * 37) % 509;  // reads of every length
            Check(name, v, piece, v.what.rfind("cut", 0) == 0 ? cut : flipped);
        }
    }
    Report({{"whole", whole}, {"cut", cut}, {"bit flipped", flipped}});
    EXPECT_TRUE(lines_.empty()) << lines_.size() << " disagreements";
    // The corpus holds what each verdict needs: photographs read and compared,
    // files refused (arithmetic coding, and every cut short), damaged ones read.
    EXPECT_EQ(whole.compared, whole.accepted);
    EXPECT_GE(whole.refused, 2);
    EXPECT_GT(cut.refused, 1000);
    EXPECT_GT(flipped.accepted, 1000);
}

}  // namespace

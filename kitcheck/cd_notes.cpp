#include "kitcheck/cd_notes.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

bool Level1Char(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'; }

bool Level1Component(const std::string& name, bool file) {
    const std::size_t dot = name.find('.');
    const std::string base = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (dot != std::string::npos && !file) return false;
    if (base.empty() || base.size() > 8 || extension.size() > 3) return false;
    return std::all_of(base.begin(), base.end(), Level1Char) &&
           std::all_of(extension.begin(), extension.end(), Level1Char);
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text) {
    std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return "";
    return text.substr(start, text.find_last_not_of(" \t\r") + 1 - start);
}

// Seconds with one decimal and a decimal comma, as Brazil writes them.
std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    std::string result = text;
    std::replace(result.begin(), result.end(), '.', ',');
    return result + " s";
}

std::string Kilobytes(std::uint64_t bytes) { return std::to_string((bytes + 1023) / 1024) + " KB"; }

void SlowOnCd(const CdFacts& facts, std::vector<Problem>& notes) {
    if (facts.interval <= 0) return;
    const std::pair<std::string, PictureFacts>* slowest = nullptr;
    for (const auto& picture : facts.slideshow)
        if (picture.second.verdict == PictureVerdict::Shown &&
            (!slowest || picture.second.cost.hold() > slowest->second.cost.hold()))
            slowest = &picture;
    if (!slowest) return;
    const PictureFacts& picture = slowest->second;
    const double x4 = picture.cost.hold();
    const double x8 = ReadSeconds(picture.bytes, 2 * kSlowDriveSpeed) + picture.cost.decode;
    if (x4 <= HoldLimit(true, facts.interval)) return;
    notes.push_back({"slow-on-cd", "Setup32/tempo", slowest->first,
                     "a imagem da apresentação que mais prende a janela, " + slowest->first + ", tem " +
                         Kilobytes(picture.bytes) + ": cada troca de imagem prende a janela cerca de " + Seconds(x4) +
                         " num CD-ROM 4x e " + Seconds(x8) + " num 8x, " +
                         (x4 * 1000 > static_cast<double>(facts.interval) ? "mais que" : "com") + " o intervalo de " +
                         std::to_string(facts.interval) +
                         " ms (a leitura do disco e a decodificação num Pentium de 100 MHz). Imagens JPEG ou de 8 "
                         "bits (256 cores) são lidas bem mais depressa."});
}

void NamesNeedJoliet(const CdFacts& facts, std::vector<Problem>& notes) {
    std::vector<std::string> seen;
    for (const Problem& named : facts.namedFiles) {
        const std::string name = Lower(named.file);
        if (named.file.empty() || Level1Name(named.file) || std::find(seen.begin(), seen.end(), name) != seen.end())
            continue;
        seen.push_back(name);
        notes.push_back({"name-needs-joliet", named.key, named.file,
                         named.file + " não é um nome ISO 9660 de nível 1 (8.3, só A-Z, 0-9 e _): num disco com "
                                      "Joliet o nome fica como está; num disco só ISO 9660 ele ganha outro nome e "
                                      "o Setup32 não o encontra."});
    }
}

void AutorunOpenMissing(const FilePlatform& sys, const CdFacts& facts, std::vector<Problem>& notes) {
    const std::string inf = facts.kitPath + "autorun.inf";
    std::string text;
    if (sys.Kind(inf) != FileKind::File || !sys.Read(inf, text, 64 * 1024)) return;
    std::string program = AutorunOpen(text);
    if (program.empty()) {
        notes.push_back({"autorun-open-missing", "autorun/open", "autorun.inf",
                         "o autorun.inf não tem a linha open= da seção [autorun]: o disco não inicia nada ao ser "
                         "inserido."});
        return;
    }
    std::string file = program;
    std::replace(file.begin(), file.end(), '/', '\\');
    while (!file.empty() && file[0] == '\\') file.erase(0, 1);  // the disc's root
    bool outside = file.find(':') != std::string::npos || ("\\" + file + "\\").find("\\..\\") != std::string::npos;
    if (!outside && sys.Kind(facts.kitPath + file) == FileKind::File) return;
    notes.push_back({"autorun-open-missing", "autorun/open", program,
                     "o autorun.inf abre " + program +
                         (outside ? ", que fica fora do disco" : ", que não está no disco") +
                         ": ao inserir o CD nada é iniciado, sem aviso."});
}

}  // namespace

bool Level1Name(const std::string& path) {
    std::size_t start = 0;
    while (true) {
        std::size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos) return Level1Component(path.substr(start), true);
        if (!Level1Component(path.substr(start, end - start), false)) return false;
        start = end + 1;
    }
}

std::string AutorunOpen(const std::string& text) {
    bool inAutorun = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            inAutorun = Lower(line) == "[autorun]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inAutorun || equals == std::string::npos || Lower(Trim(line.substr(0, equals))) != "open") continue;
        const std::string command = Trim(line.substr(equals + 1));
        if (!command.empty() && command[0] == '"') return command.substr(1, command.find('"', 1) - 1);
        return command.substr(0, command.find_first_of(" \t"));
    }
    return "";
}

std::vector<Problem> CdNotes(const FilePlatform& sys, const CdFacts& facts) {
    std::vector<Problem> notes;
    SlowOnCd(facts, notes);
    NamesNeedJoliet(facts, notes);
    AutorunOpenMissing(sys, facts, notes);
    return notes;
}

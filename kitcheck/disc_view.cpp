#include "kitcheck/disc_view.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <numeric>
#include <set>

#include "kitcheck/encoding.h"

namespace {

// Joliet paths longer than this, in bytes of UCS-2 with one for each
// separator, are left out of the Joliet tree.
constexpr std::size_t kJolietPathBytes = 240;
constexpr std::size_t kJolietChars = 64;

// The characters of a name on the file system: UTF-8 on Linux, the ANSI
// code page on Windows; nullopt when it is not UTF-8.
std::optional<std::u32string> NameChars(const std::string& name) {
#ifdef _WIN32
    std::u32string chars;
    for (char c : name) chars += FromCp1252(c);
    return chars;
#else
    return DecodeUtf8(name);
#endif
}

std::u32string Ascii(const std::string& text) { return std::u32string(text.begin(), text.end()); }

std::string Cp1252(const std::u32string& chars) {
    std::string text;
    for (char32_t c : chars) text += ToCp1252(c);
    return text;
}

std::string CodePoint(char32_t c) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
    return text;
}

std::u32string Fold(std::u32string name) {
    std::transform(name.begin(), name.end(), name.begin(), FoldCase);
    return name;
}

// A level-1 character: A-Z, 0-9 and _, letters made capitals, anything else _.
char32_t DChar(char32_t c) {
    if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_') return c;
    return '_';
}

bool JolietChar(char32_t c) {
    return c >= 0x20 && c <= 0xFFFF && c != '*' && c != '/' && c != ':' && c != ';' && c != '?' && c != '\\';
}

std::string Parent(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The name as Windows or the disc holds it, for a problem: cp1252, '\' between names.
std::string WindowsName(const std::string& path) {
    std::string name = Cp1252FromPath(path);
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

// What Windows shows of a level-1 identifier: no dot at its end.
std::u32string Shown(std::u32string identifier) {
    if (!identifier.empty() && identifier.back() == '.') identifier.pop_back();
    return identifier;
}

// Why Windows would not find a name on a Joliet disc as the kit names it,
// or empty.
std::string JolietProblem(const std::u32string& name, const std::u32string& onDisc, bool dropped) {
    if (dropped)
        return "o caminho é longo demais para o Joliet (mais de 240 bytes, cerca de 120 caracteres): o disco não o "
               "leva.";
    for (char32_t c : name) {
        if (c > 0xFFFF) return "tem o caractere " + CodePoint(c) + ", que o Joliet não guarda.";
        if (c == '<' || c == '>' || c == '"' || c == '|')
            return std::string("tem o caractere ") + static_cast<char>(c) +
                   ", que o Windows não aceita em nomes de arquivo (< > \" |).";
    }
    if (name.back() == '.' || name.back() == ' ')
        return "termina em ponto ou espaço, que o Windows tira do nome ao abrir o arquivo.";
    if (onDisc == name) return "";
    for (char32_t c : name)
        if (!JolietChar(c))
            return "tem um caractere que o Joliet não aceita (* / : ; ? \\ ou de controle): no disco o nome fica " +
                   Cp1252(onDisc) + ".";
    if (name.size() > kJolietChars)
        return "tem " + std::to_string(name.size()) + " caracteres, mais do que um nome Joliet guarda (64, mais a "
               "extensão): no disco o nome fica " + Cp1252(onDisc) + ".";
    return "outro nome da pasta dá o mesmo nome Joliet: no disco este fica " + Cp1252(onDisc) + ".";
}

}  // namespace

std::u32string Level1Identifier(const std::u32string& src, bool folder) {
    std::size_t dot = src.rfind('.');
    if (dot == 0 && src.size() > 4) dot = std::u32string::npos;  // ".hidden": a name, not an extension
    const bool hasDot = dot != std::u32string::npos;
    const std::size_t lext = hasDot ? src.size() - dot - 1 : 0;
    const std::size_t lname = src.size() - lext - (hasDot ? 1 : 0);
    if (lname == 0 && lext == 0) return U"";
    std::u32string id;
    for (std::size_t i = 0; i < lname && i < 8; ++i) id += !hasDot && src[i] == '.' ? U'_' : DChar(src[i]);
    if (!folder || lext > 0) id += '.';
    for (std::size_t i = 0; i < lext && i < 3; ++i) id += DChar(src[lname + 1 + i]);
    return id;
}

std::u32string JolietIdentifier(const std::u32string& src, bool folder) {
    std::size_t lname = src.size(), lext = 0, lnname, lnext = 0;
    const std::size_t dot = src.rfind('.');
    if (folder || dot == std::u32string::npos || dot + 1 == src.size()) {
        lnname = std::min(lname, kJolietChars);
    } else {
        lext = src.size() - dot - 1;
        lname = src.size() - lext - 1;
        lnext = src.size() > kJolietChars + 1 && lext > 3 ? (lname < kJolietChars - 3 ? kJolietChars - lname : 3) : lext;
        lnname = src.size() > kJolietChars + 1 ? kJolietChars - lnext : lname;
    }
    std::u32string id;
    for (std::size_t i = 0; i < lnname; ++i) id += JolietChar(src[i]) ? src[i] : U'_';
    if (lnext > 0) id += '.';
    for (std::size_t i = 0; i < lnext; ++i) id += JolietChar(src[lname + 1 + i]) ? src[lname + 1 + i] : U'_';
    return id;
}

void NumberClashes(std::vector<std::u32string>& ids, const std::vector<bool>& folders,
                   const std::vector<std::string>& originals, bool joliet) {
    std::vector<std::size_t> order(ids.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return ids[a] != ids[b] ? ids[a] < ids[b] : originals[a] < originals[b];
    });
    std::set<std::u32string> taken(ids.begin(), ids.end());
    for (std::size_t i = 0; i < order.size();) {
        std::size_t j = i;
        while (j + 1 < order.size() && ids[order[j + 1]] == ids[order[i]]) ++j;
        for (int digits = 1; j > i && digits < 8; ++digits) {
            const std::u32string full = ids[order[i]];
            const std::size_t dot = full.rfind('.');
            const bool withExtension = dot != std::u32string::npos && (!folders[order[i]] || !joliet);
            std::u32string name = withExtension ? full.substr(0, dot) : full, extension;
            std::size_t most;
            if (withExtension) {
                extension = U"." + full.substr(dot + 1);
                // A level-1 name keeps 3 characters for its extension, whatever it holds.
                most = joliet ? kJolietChars - (extension.size() - 1) - digits : 8 - digits;
            } else {
                most = (joliet ? kJolietChars : folders[order[i]] ? 8 : 12) - digits;
            }
            if (name.size() > most) name.resize(most);
            int limit = 1;
            for (int d = 0; d < digits; ++d) limit *= 10;
            bool ok = true;
            int change = 0;
            for (std::size_t k = i; k <= j && ok; ++k) {
                std::u32string candidate;
                do {
                    std::string number = std::to_string(change);
                    number.insert(0, static_cast<std::size_t>(digits) > number.size() ? digits - number.size() : 0, '0');
                    candidate = name + Ascii(number) + extension;
                    ok = ++change <= limit;
                } while (ok && taken.count(candidate));
                if (!ok) break;
                taken.erase(ids[order[k]]);
                ids[order[k]] = candidate;
                taken.insert(candidate);
            }
            if (ok) break;
        }
        i = j + 1;
    }
}

DiscView ViewDisc(const std::vector<KitEntry>& entries) {
    DiscView view;
    struct Place {
        bool copy = true;
        std::u32string joliet, iso;
        std::size_t jolietBytes = 1;
        bool jolietDropped = false;
    };
    std::map<std::string, Place> places;  // each folder that holds entries, by path; "" the kit folder
    places[""];
    std::map<std::string, std::vector<std::size_t>> children;
    for (std::size_t i = 0; i < entries.size(); ++i) children[Parent(entries[i].path)].push_back(i);
    view.entries.resize(entries.size());

    auto problem = [&](const char* code, const KitEntry& e, const std::string& text) {
        view.problems.push_back({code, "", WindowsName(e.path), text});
    };
    for (std::size_t i = 0; i < entries.size(); ++i) view.entries[i].entry = entries[i];

    // The folders in the walk's order, the kit folder first: a folder comes
    // before what it holds.
    std::vector<std::string> folders;
    folders.push_back("");
    for (const KitEntry& e : entries)
        if (e.type == KitEntry::Folder) folders.push_back(e.path);

    for (const std::string& folder : folders) {
        const auto found = children.find(folder);
        if (found == children.end()) continue;
        const Place& here = places[folder];
        std::vector<std::size_t> onDisc;
        std::vector<std::u32string> isoIds, jolietIds;
        std::vector<bool> isFolder;
        std::vector<std::string> originals;
        std::map<std::u32string, std::size_t> folded;  // for letter-case clashes
        for (std::size_t i : found->second) {
            DiscEntry& d = view.entries[i];
            const KitEntry& e = d.entry;
            d.copy = here.copy;
            const std::string target = Cp1252FromPath(e.linkTarget);
            switch (e.link) {
            case LinkVerdict::Outside:
                if (d.copy)
                    problem("link-outside-kit", e,
                            WindowsName(e.path) + " é um link para " + target + ", fora da pasta do kit: o disco não o leva (nada de fora do "
                            "kit vai para o disco).");
                d.copy = false;
                break;
            case LinkVerdict::Loop:
                if (d.copy) problem("link-loop", e, WindowsName(e.path) + " é um link que volta a si mesmo (" + target + "): o disco não o leva.");
                d.copy = false;
                break;
            case LinkVerdict::Broken:
                if (d.copy) problem("link-broken", e, WindowsName(e.path) + " é um link para " + target + ", que não existe: o disco não o leva.");
                d.copy = false;
                break;
            case LinkVerdict::InKit:
                if (d.copy)
                    view.notes.push_back({"link-in-kit", "", WindowsName(e.path),
                                          WindowsName(e.path) + " é um link para " + target +
                                              ", dentro do kit: o disco leva uma cópia do que ele aponta, com este "
                                              "nome."});
                break;
            case LinkVerdict::None: break;
            }
            if (d.copy && e.type == KitEntry::Other) {
                problem("special-file", e,
                        WindowsName(e.path) + " não é um arquivo comum nem uma pasta (é um fifo, soquete ou dispositivo): o disco não o leva.");
                d.copy = false;
            }
            if (d.copy && !e.readable) {
                problem("unreadable", e, WindowsName(e.path) + " não pode ser lido (permissão): o disco não o leva.");
                d.copy = false;
            }
            const std::optional<std::u32string> chars = NameChars(BaseName(e.path));
            if (d.copy && !chars) {
                problem("name-not-utf8", e,
                        "o nome " + WindowsName(e.path) + " não está em UTF-8 (os bytes parecem cp1252, de um zip ou disquete do Windows): o disco "
                        "não o grava com o nome que o Windows procura. Renomeie-o em UTF-8 (convmv -f cp1252 -t utf-8 "
                        "--notest).");
                d.copy = false;
            }
            if (!d.copy) continue;
            for (char32_t c : *chars)
                if (!InCp1252(c)) {
                    problem("name-not-cp1252", e,
                            "o nome " + WindowsName(e.path) + " tem o caractere " + CodePoint(c) +
                                ", que o código de página do Windows (cp1252) não tem: o Windows 95/98 não o mostra "
                                "e nenhum setup.ini pode nomeá-lo.");
                    break;
                }
            const auto clash = folded.emplace(Fold(*chars), i);
            if (!clash.second)
                problem("name-case-clash", e,
                        WindowsName(e.path) + " e " + WindowsName(entries[clash.first->second].path) +
                            " diferem só em maiúsculas e minúsculas: no CD o Windows não os distingue e abre um só.");
            onDisc.push_back(i);
            const bool dir = e.type == KitEntry::Folder;
            isoIds.push_back(Level1Identifier(*chars, dir));
            jolietIds.push_back(JolietIdentifier(*chars, dir));
            isFolder.push_back(dir);
            originals.push_back(BaseName(e.path));
        }
        NumberClashes(isoIds, isFolder, originals, false);
        NumberClashes(jolietIds, isFolder, originals, true);
        for (std::size_t k = 0; k < onDisc.size(); ++k) {
            DiscEntry& d = view.entries[onDisc[k]];
            const std::u32string separator = folder.empty() ? U"" : U"\\";
            Place place;
            place.iso = here.iso + separator + Shown(isoIds[k]);
            place.jolietBytes = here.jolietBytes + 1 + 2 * jolietIds[k].size();
            place.jolietDropped = here.jolietDropped || place.jolietBytes > kJolietPathBytes;
            place.joliet = here.joliet + separator + jolietIds[k];
            d.iso9660 = place.iso;
            if (!place.jolietDropped) d.joliet = place.joliet;
            const std::u32string name = *NameChars(originals[k]);
            const std::string why = JolietProblem(name, jolietIds[k], place.jolietDropped && !here.jolietDropped);
            if (!why.empty()) problem("name-not-joliet", d.entry, "o nome " + WindowsName(d.entry.path) + " " + why);
            if (d.entry.type == KitEntry::Folder) places[d.entry.path] = place;
        }
        for (std::size_t i : found->second)
            if (view.entries[i].entry.type == KitEntry::Folder && !view.entries[i].copy)
                places[view.entries[i].entry.path].copy = false;
        if (folder.empty())
            for (std::size_t i : onDisc) {
                const KitEntry& e = view.entries[i].entry;
                const std::u32string name = Fold(*NameChars(e.path));
                if (e.type != KitEntry::File) continue;
                if (name == U"setup32.exe") view.launcher = e.path;
                if (name == U"autorun.inf") view.autorun = e.path;
            }
    }
    return view;
}

#include "kitcheck/report.h"

#include <cstdio>

#include "kitcheck/cost_model.h"
#include "kitcheck/encoding.h"

namespace {

const char* OutcomeCode(RowOutcome outcome) {
    switch (outcome) {
    case RowOutcome::Stored: return "stored";
    case RowOutcome::Beeped: return "beeped";
    case RowOutcome::NotANumber: return "not-a-number";
    case RowOutcome::TimerRejected: return "timer-rejected";
    }
    return "";
}

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text;
}

std::string Where(const Problem& p) {
    std::string where = p.key;
    if (!p.file.empty()) where += where.empty() ? p.file : " (" + p.file + ")";
    return where;
}

std::string JsonProblems(const std::vector<Problem>& problems) {
    std::string json = "[";
    const char* separator = "\n    ";
    for (const Problem& p : problems) {
        json += separator;
        json += "{\"code\": " + JsonString(p.code) + ", \"key\": " + JsonString(p.key) +
                ", \"file\": " + JsonString(p.file) + ", \"message\": " + JsonString(p.message) + "}";
        separator = ",\n    ";
    }
    return json + (problems.empty() ? "" : "\n  ") + "]";
}

std::string BrowserName(const OfferRow& row) {
    if (row.browser == "unknown")
        return "navegador não encontrado (tratado como " + std::to_string(row.ieVer) + ")";
    return "navegador instalado " + row.browser;
}

std::string JsonStart(const Start& start) {
    return "{\"version\": " + std::to_string(start.version) + ", \"option\": " + JsonString(start.option) +
           ", \"key\": " + JsonString(start.key) + ", \"command\": " + JsonString(start.command) + "}";
}

std::string JsonChars(const std::optional<std::u32string>& chars) { return chars ? JsonString(*chars) : "null"; }

std::string JsonOptionalPath(const std::optional<std::string>& path) { return path ? JsonPath(*path) : "null"; }

// Milliseconds with three decimals: enough to compare with a limit.
std::string Ms(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds * 1000);
    return text;
}

// Seconds with one decimal and a decimal comma, as Brazil writes them.
std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    std::string result = text;
    for (char& c : result)
        if (c == '.') c = ',';
    return result + " s";
}

std::string JsonStrings(const std::vector<std::string>& texts) {
    std::string json = "[";
    for (std::size_t i = 0; i < texts.size(); ++i) json += (i ? ", " : "") + JsonString(texts[i]);
    return json + "]";
}

}  // namespace

std::string JsonPicture(const PictureFacts& f) {
    std::string json = "{\"format\": " + JsonString(f.format) + ", \"kind\": " + JsonString(f.kind) +
                       ", \"width\": " + std::to_string(f.width) + ", \"height\": " + std::to_string(f.height) +
                       ", \"bits\": " + std::to_string(f.bits) + ", \"bytes\": " + std::to_string(f.bytes) +
                       ", \"cost\": ";
    if (f.verdict != PictureVerdict::Shown) return json + "null}";
    return json + "{\"read_ms\": " + Ms(f.cost.read) + ", \"decode_ms\": " + Ms(f.cost.decode) +
           ", \"hold_ms\": " + Ms(f.cost.hold()) + "}}";
}

std::string JsonModel() {
    std::string json = "{\"access_ms\": " + Ms(kAccessSeconds) + ", \"bytes_per_second\": " +
                       std::to_string(static_cast<long>(kSingleSpeedBytesPerSecond * kSlowDriveSpeed)) +
                       ", \"instructions_per_second\": " + std::to_string(static_cast<long>(kInstructionsPerSecond)) +
                       ", \"held_too_long_ms\": " + Ms(kHeldTooLong) + ",\n    \"decode_instructions_per_pixel\": {";
    const char* separator = "";
    for (const DecodeCost& cost : kDecodeCosts) {
        char figure[32];
        std::snprintf(figure, sizeof figure, "%g", cost.instructionsPerPixel);
        json += separator + JsonString(cost.kind) + ": " + figure;
        separator = ", ";
    }
    return json + "}}";
}

namespace {

std::string JsonFile(const FileReport& f) {
    std::string json = "{\"name\": " + JsonString(f.name) + ", \"role\": " + JsonString(f.role);
    if (f.role == "background") json += ", \"number\": " + std::to_string(f.number);
    json += ", \"keys\": " + JsonStrings(f.keys);
    if (f.role == "program") json += std::string(", \"started\": ") + (f.started ? "true" : "false");
    json += ", \"path\": " + JsonOptionalPath(f.path) + ", \"verdict\": " + JsonString(f.verdict);
    if (f.role == "background" || f.role == "page") {
        json += ", \"limit_ms\": " + Ms(f.limit) + ", \"slow\": ";
        const bool slow = f.picture && f.picture->verdict == PictureVerdict::Shown && f.picture->cost.hold() > f.limit;
        json += slow ? "true" : "false";
        json += ",\n     \"picture\": " + (f.picture ? JsonPicture(*f.picture) : "null");
    }
    return json + "}";
}

const char* LinkCode(LinkVerdict link) {
    switch (link) {
    case LinkVerdict::InKit: return "in-kit";
    case LinkVerdict::Outside: return "outside";
    case LinkVerdict::Loop: return "loop";
    case LinkVerdict::Broken: return "broken";
    case LinkVerdict::None: break;
    }
    return "";
}

std::string JsonEntry(const DiscEntry& d) {
    const KitEntry& e = d.entry;
    const char* type = e.type == KitEntry::File ? "file" : e.type == KitEntry::Folder ? "folder" : "other";
    std::string json = "{\"path\": " + JsonPath(e.path) + ", \"type\": \"" + type + "\"";
    if (e.type == KitEntry::File) json += ", \"size\": " + std::to_string(e.size);
    json += ", \"joliet\": " + JsonChars(d.joliet) + ", \"iso9660\": " + JsonChars(d.iso9660) +
            ", \"copy\": " + (d.copy ? "true" : "false") + ", \"link\": ";
    if (e.link == LinkVerdict::None) return json + "null}";
    return json + "{\"target\": " + JsonPath(e.linkTarget) + ", \"verdict\": \"" + LinkCode(e.link) + "\"}}";
}

std::string JsonAt(const std::optional<IniValue>& at) {
    if (!at) return "\"line\": null, \"span\": null, \"bytes\": null";
    return "\"line\": " + std::to_string(at->line) + ", \"span\": [" + std::to_string(at->begin - at->lineStart) + ", " +
           std::to_string(at->end - at->lineStart) + "], \"bytes\": [" + std::to_string(at->begin) + ", " +
           std::to_string(at->end) + "]";
}

const char* Bool(bool value) { return value ? "true" : "false"; }

// A picture in a line of the text report.
std::string PictureLine(const FileReport& f) {
    if (!f.picture || f.picture->verdict != PictureVerdict::Shown) {
        const PictureVerdict verdict = f.picture ? f.picture->verdict : f.verdict == "folder" ? PictureVerdict::Folder
                                                                                              : PictureVerdict::Missing;
        switch (verdict) {
        case PictureVerdict::Missing: return "não está no kit";
        case PictureVerdict::Folder: return "é uma pasta";
        case PictureVerdict::Unreadable: return "não pode ser lida";
        case PictureVerdict::Empty: return "está vazia";
        case PictureVerdict::OtherFormat: return "não é BMP, JPEG nem GIF";
        case PictureVerdict::TooLarge: return "passa dos limites do Setup32";
        default: return "o Setup32 não a mostra";
        }
    }
    const PictureFacts& p = *f.picture;
    return p.kind + ", " + std::to_string(p.width) + " x " + std::to_string(p.height) + ", " +
           std::to_string((p.bytes + 1023) / 1024) + " KB: prende a janela " + Seconds(p.cost.hold()) +
           " num CD-ROM 4x" + (p.cost.hold() > f.limit ? " (mais que o limite de " + Seconds(f.limit) + ")" : "");
}

}  // namespace

std::string TextReport(const KitReport& r) {
    std::string text = "\n\nsetup.ini:\n";
    for (const RowReport& row : r.rows) {
        text += "  " + Padded(row.key, 22);
        text += row.outcome == RowOutcome::Beeped ? "(bipe)" : "\"" + row.value + "\"";
        text += "\n";
    }
    text += "\nImagens:\n";
    for (const FileReport& file : r.files)
        if (file.role == "background" || file.role == "page") text += "  " + Padded(file.name, 22) + PictureLine(file) + "\n";
    text += "\nProblemas: " + std::to_string(r.problems.size()) + "\n";
    for (const Problem& p : r.problems) text += "  [" + p.code + "] " + Where(p) + ": " + p.message + "\n";
    text += "\nNotas: " + std::to_string(r.notes.size()) + "\n";
    for (const Problem& n : r.notes) text += "  [" + n.code + "] " + Where(n) + ": " + n.message + "\n";
    text += "\nPágina do navegador (idioma " + r.lang + "):\n";
    for (const OfferRow& row : r.matrix) {
        text += "  " + BrowserName(row) + ": " + row.plan + "\n";
        for (const Start& choice : row.choices) text += "    " + Padded(choice.option, 34) + "-> " + choice.command + "\n";
        text += "    " + Padded("Avançar sem escolha", 34) + "-> " + row.byDefault.command + "\n";
    }
    text += "\nDiscador: " + r.dialer + "\n\n";
    text += r.problems.empty() ? "Resultado: kit sem problemas"
                               : "Resultado: " + std::to_string(r.problems.size()) + " problema(s)";
    text += r.notes.empty() ? ".\n" : ", " + std::to_string(r.notes.size()) + " nota(s).\n";
    // The kit's path as the file system names it; the rest converted from cp1252.
    return Shown("Kit: ") + r.kit + Shown(text);
}

std::string JsonReport(const KitReport& r) {
    std::string json = "{\n  \"kit\": " + JsonPath(r.kit) + ",\n  \"status\": " + std::to_string(r.status()) +
                       ",\n  \"language\": " + JsonString(r.lang) + ",\n  \"beeps\": " + std::to_string(r.beeps) +
                       ",\n  \"setup_ini\": {\"path\": " + JsonOptionalPath(r.iniPath) + ", \"encoding\": " +
                       (r.iniEncoding.empty() ? "null" : JsonString(r.iniEncoding)) + "}";
    const LauncherState& s = r.state;
    json += ",\n  \"state\": {\"nroImg\": " + std::to_string(s.nroImg) + ", \"tipoImg\": " + JsonString(s.tipoImg) +
            ", \"tipoImgTela\": " + JsonString(s.tipoImgTela) + ", \"interval\": " + std::to_string(s.interval) +
            ",\n            \"okIe3Port\": " + Bool(s.okIe3Port) + ", \"okIe4Port\": " + Bool(s.okIe4Port) +
            ", \"okIe3Ingl\": " + Bool(s.okIe3Ingl) + ", \"okIe4Ingl\": " + Bool(s.okIe4Ingl) + "}";
    json += ",\n  \"rows\": [";
    const char* separator = "\n    ";
    for (const RowReport& row : r.rows) {
        json += separator;
        json += "{\"key\": " + JsonString(row.key) + ", \"outcome\": \"" + OutcomeCode(row.outcome) +
                "\", \"value\": " + JsonString(row.value) + ", \"whole\": " + JsonString(row.whole) + ",\n     " +
                JsonAt(row.at) + "}";
        separator = ",\n    ";
    }
    json += "\n  ],\n  \"problems\": " + JsonProblems(r.problems);
    json += ",\n  \"notes\": " + JsonProblems(r.notes);
    json += ",\n  \"model\": " + JsonModel() + ",\n  \"files\": [";
    separator = "\n    ";
    for (const FileReport& file : r.files) {
        json += separator + JsonFile(file);
        separator = ",\n    ";
    }
    json += "\n  ],\n  \"matrix\": [";
    separator = "\n    ";
    for (const OfferRow& row : r.matrix) {
        json += separator;
        json += "{\"browser\": " + JsonString(row.browser) + ", \"ie_ver\": " + std::to_string(row.ieVer) +
                ", \"options\": [";
        for (std::size_t i = 0; i < row.options.size(); ++i)
            json += (i ? ", " : "") + std::to_string(row.options[i]);
        json += "], \"plan\": " + JsonString(row.plan) + ",\n     \"choices\": [";
        for (std::size_t i = 0; i < row.choices.size(); ++i) json += (i ? ", " : "") + JsonStart(row.choices[i]);
        json += "],\n     \"default\": " + JsonStart(row.byDefault) + "}";
        separator = ",\n    ";
    }
    json += "\n  ],\n  \"dialer\": " + JsonString(r.dialer);
    json += ",\n  \"disc\": {\"launcher\": " + JsonOptionalPath(r.disc.launcher) +
            ", \"autorun\": " + JsonOptionalPath(r.disc.autorun) + ",\n    \"entries\": [";
    separator = "\n      ";
    for (const DiscEntry& entry : r.disc.entries) {
        json += separator + JsonEntry(entry);
        separator = ",\n      ";
    }
    json += std::string(r.disc.entries.empty() ? "" : "\n    ") + "]}\n}\n";
    return json;
}

std::string JsonPictures(const std::vector<PictureReport>& pictures, int status) {
    std::string json = "{\n  \"status\": " + std::to_string(status) + ",\n  \"model\": " + JsonModel() +
                       ",\n  \"pictures\": [";
    const char* separator = "\n    ";
    for (const PictureReport& p : pictures) {
        json += separator;
        json += "{\"file\": " + JsonPath(p.file) + ", \"verdict\": \"" + VerdictCode(p.facts.verdict) +
                "\",\n     \"picture\": " + JsonPicture(p.facts) + "}";
        separator = ",\n    ";
    }
    return json + (pictures.empty() ? "" : "\n  ") + "]\n}\n";
}

std::string TextPictures(const std::vector<PictureReport>& pictures) {
    std::string text;
    for (const PictureReport& p : pictures) {
        const PictureFacts& f = p.facts;
        if (f.verdict != PictureVerdict::Shown) {
            text += Shown(NotShownMessage(Cp1252FromPath(p.file), f)) + "\n";
            continue;
        }
        text += p.file + Shown(": " + f.kind + ", " + std::to_string(f.width) + " x " + std::to_string(f.height) +
                               ", " + std::to_string(f.bytes) + " bytes: leitura " + Ms(f.cost.read) +
                               " ms num CD-ROM 4x, decodificação " + Ms(f.cost.decode) +
                               " ms num Pentium de 100 MHz, " + Ms(f.cost.hold()) + " ms ao todo.\n");
    }
    return text;
}

std::string JsonError(const std::string& message) {
    return "{\n  \"status\": 2,\n  \"error\": " + JsonString(message) + "\n}\n";
}

const char* const kHelpText =
    "Uso: kitcheck [--json] PASTA_DO_KIT\n"
    "     kitcheck [--json] --picture ARQUIVO...\n"
    "\n"
    "Lê o setup.ini do kit com as mesmas regras do Setup32 (o próprio código do\n"
    "Setup32 roda sobre os arquivos do kit) e aponta o que o Setup32 encontraria\n"
    "sem avisar ninguém:\n"
    "  beep                      chave ausente ou vazia (o Setup32 dá um bipe)\n"
    "  cut                       valor com mais de 49 caracteres, cortado\n"
    "  not-a-number              nroimg ou tempo que não é número nos 3 ou 5 caracteres\n"
    "                            lidos (e o que o Setup32 usa no lugar)\n"
    "  nroimg-below-1            nroimg menor que 1: só a imagem 1 aparece\n"
    "  tempo-zero                tempo 0: a apresentação fica parada\n"
    "  tempo-rejected            tempo fora de 0..65535: fica 500 ms\n"
    "  picture-missing           imagem de fundo (image1..imageN) ou das páginas\n"
    "                            (imgini, imgie) ausente, ou uma pasta; se a extensão\n"
    "                            saiu cortada (3 caracteres), a chave de onde veio\n"
    "  picture-broken            imagem que não é BMP, JPEG ou GIF íntegro (e o formato\n"
    "                            que ela tem, pelos primeiros bytes: PNG, TIFF, ICO...)\n"
    "  picture-too-large         imagem de mais de 64 MB ou de 4096 x 4096 pixels\n"
    "  command-empty             comando de instalação vazio\n"
    "  program-missing           programa do comando que não está no kit, ou arquivo\n"
    "                            que não é programa (um programa começa com \"MZ\")\n"
    "  command-file-nt-only      arquivo .bat ou .cmd: o Windows 95, 98 e Me não o iniciam\n"
    "  offered-installer-missing opção do OKnoCD cujo instalador falta\n"
    "  default-road-missing      falta o instalador padrão (Arquivos/ie5port)\n"
    "  setup-ini-missing         a pasta não tem setup.ini\n"
    "  setup-ini-bom             setup.ini em UTF-8 ou UTF-16 com marca (BOM): o\n"
    "                            Windows 95/98 lê o setup.ini como ANSI\n"
    "  name-not-utf8             nome de arquivo que não está em UTF-8 (bytes cp1252)\n"
    "  name-not-cp1252           nome com caractere que o Windows (cp1252) não tem\n"
    "  name-not-joliet           nome que o disco Joliet muda (mais de 64 caracteres,\n"
    "                            * / : ; ? \\) ou que o Windows não abre (< > \" |,\n"
    "                            ponto ou espaço no fim)\n"
    "  name-case-clash           dois nomes que só diferem em maiúsculas e minúsculas\n"
    "  link-outside-kit          link para fora da pasta do kit: não vai para o disco\n"
    "  link-loop, link-broken    link em laço, ou para o que não existe\n"
    "  special-file, unreadable  fifo ou dispositivo; arquivo que não pode ser lido\n"
    "Só conta como problema o comando que algum caminho do Setup32 inicia: o\n"
    "Avançar da página do navegador (cada opção mostrada, e sem escolha) para\n"
    "cada navegador instalado, no idioma que o Setup32 usa, e o discador.\n"
    "Notas (não mudam a saída do programa):\n"
    "  never-started             comando cujo programa falta, mas que nenhum caminho\n"
    "                            inicia: diz por quê (idioma, chave do OKnoCD, ou\n"
    "                            chave que o Setup32 lê e não usa)\n"
    "  comment-in-value          valor com \" ;\": o Windows guarda o comentário no valor\n"
    "  slow-on-cd                a imagem da apresentação que mais prende a janela\n"
    "                            (leitura num CD-ROM 4x e 8x e decodificação num\n"
    "                            Pentium de 100 MHz), quando passa do intervalo ou de\n"
    "                            1 s: use JPEG ou imagens de 8 bits\n"
    "  name-needs-joliet         arquivo do setup.ini (ou imagem) cujo nome não é\n"
    "                            ISO 9660 de nível 1 (8.3, A-Z, 0-9, _): bom num\n"
    "                            disco com Joliet, perdido num só ISO 9660\n"
    "  autorun-open-missing      o open= do autorun.inf inicia um programa que não\n"
    "                            está no disco (ou não há open=)\n"
    "  link-in-kit               link para um arquivo do kit: o disco leva uma cópia\n"
    "Depois mostra, para cada navegador instalado (3, 4, 5 e nenhum), as opções\n"
    "da página do navegador, o texto da página e o comando que o Avançar inicia,\n"
    "e o comando do discador.\n"
    "\n"
    "  --json      o mesmo relatório em JSON, para scripts: também cada arquivo que o\n"
    "              Setup32 abre, o lugar de cada valor no setup.ini e os nomes no disco\n"
    "  --picture   o que o Setup32 faz de cada ARQUIVO de imagem: formato, tamanho e\n"
    "              quanto tempo prende a janela num CD-ROM 4x e num Pentium de 100 MHz\n"
    "  --help   este texto\n"
    "\n"
    "Saída: 0 kit sem problemas (com ou sem notas), 1 problemas encontrados, 2 erro de uso ou de\n"
    "leitura (pasta inexistente, setup.ini ilegível). Com --picture: 0 o Setup32 mostra cada\n"
    "imagem, 1 alguma não, 2 erro de uso ou arquivo ilegível.\n";

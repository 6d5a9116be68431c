#include "kitcheck/kit_check.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "kitcheck/cd_notes.h"
#include "kitcheck/encoding.h"
#include "wizard/browser_setup.h"
#include "wizard/layout.h"
#include "wizard/wizard.h"

namespace {

const CtlId kOptions[] = {CtlId::OpIE3, CtlId::OpIE4, CtlId::OpIE5};

// The language codes the browser page knows.
const char* const kLanguages[] = {"PORT", "INGL"};

// What Windows needs to start a file as a program.
const char* const kProgramNeeds =
    "para o Windows iniciar um arquivo, ele deve começar com as letras \"MZ\" (como todo .exe), ser um .com "
    "ou, só no Windows NT, um .bat ou .cmd";

std::string KeyOf(const SetupIniRow& row) { return std::string(row.section) + "/" + row.key; }

// The Arquivos row whose command the launcher holds at this address.
const SetupIniRow* RowOf(const Ini& ini, const std::string* command) {
    for (const SetupIniRow& row : kSetupIniRows)
        if (row.command && &(ini.*row.command) == command) return &row;
    return nullptr;
}

// The OKnoCD row that offers the build of an Arquivos row ("Arquivos/ie3port"):
// the row of the same key.
const SetupIniRow* FlagFor(const std::string& commandKey) {
    const std::string key = commandKey.substr(commandKey.find('/') + 1);
    for (const SetupIniRow& row : kSetupIniRows)
        if (row.flag && key == row.key) return &row;
    return nullptr;
}

// The row of a kind (the first, for the kinds of one row).
std::size_t IndexOf(SetupIniRow::Kind kind) {
    for (std::size_t i = 0; i < kSetupIniRows.size(); ++i)
        if (kSetupIniRows[i].kind == kind) return i;
    return 0;
}

// A comment after a value: a semicolon after a blank.
bool CommentInValue(const std::string& value) {
    for (std::size_t i = 1; i < value.size(); ++i)
        if (value[i] == ';' && (value[i - 1] == ' ' || value[i - 1] == '\t')) return true;
    return false;
}

bool Absolute(const std::string& path) {
    return (path.size() > 1 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

class Checker {
public:
    explicit Checker(FilePlatform& sys) : sys_(sys), w_(sys, sys) {}

    KitReport Run() {
        w_.frame.MDIForm_Load();
        r_.kit = sys_.KitFolder();
        r_.lang = w_.frame.Lang;
        const std::int16_t unknownVer = w_.frame.IEVer;  // the registry tells nothing
        // The slideshow once round: each tick asks for the next picture.
        const std::size_t beforeTicks = sys_.pictureLoads.size();
        do w_.frame.Timer1_Timer();
        while (w_.frame.imgAtual() != 1);
        ticks_.assign(sys_.pictureLoads.begin() + beforeTicks, sys_.pictureLoads.end());
        w_.Show(FormId::frmIE);
        browsers_ = {{"3", 3}, {"4", 4}, {"5", 5}, {"unknown", unknownVer}};
        dialer_ = DialerRoad();

        SetupIni();
        Rows();
        Pictures();
        for (const auto& road : Roads(r_.lang, w_.ini)) r_.started.insert(road.first);
        Commands();
        ProgramFiles();
        for (const auto& [name, ieVer] : browsers_) Offers(name, ieVer);
        r_.dialer = w_.ini.arqDiscador;
        r_.beeps = sys_.beeps;
        State();
        const std::vector<Problem> cd = CdNotes(sys_, CdFactsOf());
        r_.notes.insert(r_.notes.end(), cd.begin(), cd.end());
        r_.disc = ViewDisc(sys_.Walk());
        r_.problems.insert(r_.problems.end(), r_.disc.problems.begin(), r_.disc.problems.end());
        r_.notes.insert(r_.notes.end(), r_.disc.notes.begin(), r_.disc.notes.end());
        if (!r_.iniPath) {
            // Not a kit, or not yet: what follows from the defaults would only hide that.
            r_.problems = {{"setup-ini-missing", "", "setup.ini",
                            "setup.ini não existe na pasta do kit: o Setup32 usa os valores padrão, dá " +
                                std::to_string(sys_.beeps) +
                                " bipes e não tem instalador nenhum para iniciar. Crie o setup.ini (setup32-kit new "
                                "mostra um completo)."}};
            r_.notes.clear();
        }
        return r_;
    }

private:
    void Add(const std::string& code, const std::string& key, const std::string& file, const std::string& message) {
        for (const Problem& p : r_.problems)
            if (p.code == code && p.key == key && p.file == file) return;
        r_.problems.push_back({code, key, file, message});
    }

    void Note(const std::string& code, const std::string& key, const std::string& file, const std::string& message) {
        r_.notes.push_back({code, key, file, message});
    }

    // The start page's Next with the dialer selected, as the user presses
    // it: the Arquivos row of the command it starts.
    std::string DialerRoad() {
        sys_.started.clear();
        sys_.checked = {{FormId::frmini, CtlId::optDiscador}};
        w_.startPage.cmdNext_Click();
        sys_.checked.clear();
        std::string key;
        for (const std::string* command : sys_.started)
            if (const SetupIniRow* row = RowOf(w_.ini, command)) key = KeyOf(*row);
        sys_.started.clear();
        return key;
    }

    // The Arquivos rows that Next on the browser page starts, with each
    // option its set-up shows and without a choice, for every browser of the
    // matrix, in a language and with an installer state, each with the first
    // installed version that starts it; and the dialer's row (version 0).
    std::map<std::string, std::int16_t> Roads(const std::string& lang, const Ini& ini) const {
        std::map<std::string, std::int16_t> keys;
        if (!dialer_.empty()) keys.emplace(dialer_, 0);
        for (const auto& browser : browsers_) {
            const Offer offer = OfferFor(lang, browser.second, ini);
            const bool shown[] = {offer.OpIE3, offer.OpIE4, offer.OpIE5};
            for (int i = 0; i < 3; ++i) {
                const bool byDefault = DesignOf(FormId::frmIE, kOptions[i])->flags & kSelected;
                if (!shown[i] && !byDefault) continue;
                const std::int16_t version = ChosenVersion(kOptions[i] == CtlId::OpIE3, kOptions[i] == CtlId::OpIE4);
                if (const std::string* command = InstallerFor(lang, version, ini))
                    if (const SetupIniRow* row = RowOf(ini, command)) keys.emplace(KeyOf(*row), browser.second);
            }
        }
        return keys;
    }

    // Why no road starts a command row: the language, a flag, or no road at all.
    std::string NeverStarted(const SetupIniRow& row) const {
        const std::string key = KeyOf(row);
        Ini every = w_.ini;
        for (const SetupIniRow& flag : kSetupIniRows)
            if (flag.flag) every.*flag.flag = vbTrue;
        const std::string own = OfferFor(r_.lang, 5, every).language;
        for (const char* lang : kLanguages)
            if (lang != r_.lang && Roads(lang, every).count(key))
                return "só o idioma " + std::string(OfferFor(lang, 5, every).language) + " (" + lang +
                       ") o inicia, e o Setup32 sempre instala em " + own + " (" + r_.lang + ")";
        const SetupIniReport& report = w_.frame.setupIniReport();
        for (std::size_t i = 0; i < kSetupIniRows.size(); ++i) {
            const SetupIniRow& flag = kSetupIniRows[i];
            if (!flag.flag) continue;
            Ini flagged = w_.ini;
            flagged.*flag.flag = vbTrue;
            const std::map<std::string, std::int16_t> roads = Roads(r_.lang, flagged);
            const auto road = roads.find(key);
            if (road == roads.end()) continue;
            const std::string now = report[i].outcome == RowOutcome::Beeped ? "a chave está ausente ou vazia"
                                                                            : KeyOf(flag) + " é \"" + report[i].value + "\"";
            return "a página do navegador só o oferece com o Internet Explorer " + std::to_string(road->second) +
                   " instalado e " + KeyOf(flag) + "=ok, e aqui " + now;
        }
        return "o Setup32 lê esta chave mas não a usa: nenhuma opção da página do navegador nem o discador a inicia";
    }

    // setup.ini as found, its encoding, and where each row's value stands.
    void SetupIni() {
        const std::string path = w_.ini.kitPath + "setup.ini";
        r_.iniPath = sys_.Found(path);
        r_.files.push_back({"setup.ini", "setup.ini", 0, {}, false, r_.iniPath, r_.iniPath ? "read" : "missing", {}, 0});
        if (!r_.iniPath || !sys_.Read(path, ini_)) return;
        r_.iniEncoding = ini_.compare(0, 3, "\xEF\xBB\xBF") == 0   ? "utf-8-bom"
                         : ini_.compare(0, 2, "\xFF\xFE") == 0 ? "utf-16le-bom"
                         : ini_.compare(0, 2, "\xFE\xFF") == 0 ? "utf-16be-bom"
                                                                : "ansi";
        if (r_.iniEncoding != "ansi")
            Add("setup-ini-bom", "", "setup.ini",
                std::string("o setup.ini começa com a marca de ") +
                    (r_.iniEncoding == "utf-8-bom" ? "UTF-8" : "UTF-16") +
                    " (BOM), mas o Windows 95/98 lê o setup.ini como ANSI: ali a marca e os bytes de " +
                    (r_.iniEncoding == "utf-8-bom" ? "cada acento" : "cada caractere") +
                    " estragam as linhas e os valores. Grave-o como ANSI (Windows-1252, cp1252), sem marca.");
    }

    void State() {
        r_.state.nroImg = w_.frame.nroImg();
        r_.state.tipoImg = w_.frame.tipoImg();
        r_.state.tipoImgTela = w_.frame.tipoImgTela();
        r_.state.interval = sys_.timerInterval;
        r_.state.okIe3Port = w_.ini.okIe3Port == vbTrue;
        r_.state.okIe4Port = w_.ini.okIe4Port == vbTrue;
        r_.state.okIe3Ingl = w_.ini.okIe3Ingl == vbTrue;
        r_.state.okIe4Ingl = w_.ini.okIe4Ingl == vbTrue;
    }

    void Rows() {
        const SetupIniReport& report = w_.frame.setupIniReport();
        for (std::size_t i = 0; i < kSetupIniRows.size(); ++i) {
            const SetupIniRow& row = kSetupIniRows[i];
            const RowResult& result = report[i];
            const std::string key = KeyOf(row);
            r_.rows.push_back({key, result.outcome, result.value, sys_.whole[key],
                               r_.iniPath ? LocateIniValue(ini_, row.section, row.key) : std::nullopt});
            const std::string& whole = r_.rows.back().whole;
            switch (result.outcome) {
            case RowOutcome::Beeped:
                Add("beep", key, "", "chave ausente ou vazia: o Setup32 dá um bipe e não usa esta linha.");
                break;
            case RowOutcome::NotANumber: {
                const bool tempo = row.kind == SetupIniRow::Tempo;
                const std::size_t taken = tempo ? 5 : 3;
                const std::string read =
                    result.value.size() <= taken
                        ? "\"" + result.value + "\" não é um número"
                        : "o Setup32 lê só os " + std::to_string(taken) + " primeiros caracteres de \"" + result.value +
                              "\", \"" + Left(result.value, taken) + "\", e eles não são um número";
                Add("not-a-number", key, "",
                    read + ": o valor é ignorado, e " +
                        (tempo ? "as imagens trocam a cada " + std::to_string(sys_.timerInterval) +
                                     " ms, o intervalo do temporizador no desenho da janela."
                               : "o número de imagens fica " + std::to_string(w_.frame.nroImg()) + "."));
                break;
            }
            case RowOutcome::TimerRejected:
                Add("tempo-rejected", key, "",
                    "o intervalo \"" + result.value + "\" não é aceito pelo temporizador (0 a 65535 ms): as imagens trocam a cada " +
                        std::to_string(sys_.timerInterval) + " ms, o intervalo do desenho da janela.");
                break;
            case RowOutcome::Stored:
                if (row.kind == SetupIniRow::Tempo && sys_.timerInterval == 0)
                    Add("tempo-zero", key, "", "tempo 0: a apresentação fica parada na primeira imagem.");
                break;
            }
            if (whole.size() > result.value.size())
                Add("cut", key, "",
                    "o valor tem " + std::to_string(whole.size()) + " caracteres e só estes são lidos: \"" +
                        result.value + "\".");
            if (CommentInValue(whole))
                Note("comment-in-value", key, "",
                     "o valor \"" + whole + "\" tem um \";\" depois de um espaço, mas o setup.ini não tem comentário "
                     "no fim da linha: o Windows guarda \"" + whole.substr(whole.find(';')) + "\" como parte do valor. "
                     "Ponha o comentário numa linha só sua, começando com \";\".");
        }
        if (w_.frame.nroImg() < 1)
            Add("nroimg-below-1", "Setup32/nroimg", "",
                "o número de imagens fica " + std::to_string(w_.frame.nroImg()) + ": só a imagem 1 é mostrada.");
    }

    std::string InKit(const std::string& path) const {
        const std::string& kitPath = w_.ini.kitPath;
        return path.compare(0, kitPath.size(), kitPath) == 0 ? path.substr(kitPath.size()) : path;
    }

    // Each picture once, in the order the launcher asks for them: found or
    // not, and what the launcher's decoders make of it.
    void Pictures() {
        for (const std::string& path : sys_.pictureLoads) {
            const std::string name = InKit(path);
            if (std::any_of(r_.files.begin(), r_.files.end(), [&](const FileReport& f) { return f.name == name; }))
                continue;
            const bool background = std::find(ticks_.begin(), ticks_.end(), path) != ticks_.end();
            FileReport file;
            file.name = name;
            file.role = background ? "background" : "page";
            if (background) file.number = std::atoi(name.c_str() + 5);  // "image12.bmp"
            file.keys = {KeyOf(kSetupIniRows[IndexOf(background ? SetupIniRow::TipoImg : SetupIniRow::TipoImgTela)])};
            file.path = sys_.Found(path);
            file.limit = HoldLimit(background, sys_.timerInterval);
            const PictureFacts facts = Judge(path);
            file.verdict = VerdictCode(facts.verdict);
            if (facts.verdict != PictureVerdict::Missing && facts.verdict != PictureVerdict::Folder) file.picture = facts;
            if (background) slideshow_.emplace_back(name, facts);
            r_.files.push_back(file);
            if (facts.verdict == PictureVerdict::Missing)
                MissingPicture(background, name);
            else if (facts.verdict == PictureVerdict::Folder)
                Add("picture-missing", "", name, NotShownMessage(name, facts));
            else if (facts.verdict == PictureVerdict::TooLarge)
                Add("picture-too-large", "", name, NotShownMessage(name, facts));
            else if (facts.verdict != PictureVerdict::Shown)
                Add("picture-broken", "", name, NotShownMessage(name, facts));
        }
    }

    PictureFacts Judge(const std::string& path) const {
        PictureFacts facts;
        const FileKind kind = sys_.Kind(path);
        if (kind != FileKind::File) {
            facts.verdict = kind == FileKind::Folder ? PictureVerdict::Folder : PictureVerdict::Missing;
            return facts;
        }
        const std::optional<std::uint64_t> size = sys_.Size(path);
        std::string bytes;
        if (!size || !sys_.Read(path, bytes, PictureBytesToRead(*size))) {
            facts.verdict = PictureVerdict::Unreadable;
            return facts;
        }
        return JudgePicture(bytes, *size);
    }

    // A missing picture; when its extension is the first 3 characters of a
    // longer value, the key and that rule.
    void MissingPicture(bool background, const std::string& name) {
        const std::size_t row = IndexOf(background ? SetupIniRow::TipoImg : SetupIniRow::TipoImgTela);
        const RowResult& result = w_.frame.setupIniReport()[row];
        if (result.outcome != RowOutcome::Stored || result.value.size() <= 3) {
            Add("picture-missing", "", name, "a imagem " + name + " não está no kit.");
            return;
        }
        const std::string key = KeyOf(kSetupIniRows[row]);
        Add("picture-missing", key, name,
            "a imagem " + name + " não está no kit: a extensão vem de " + key + "=\"" + result.value +
                "\", de que o Setup32 só usa os 3 primeiros caracteres, \"" + Left(result.value, 3) + "\".");
    }

    static std::string Extension(const std::string& path) {
        std::string extension = path.size() >= 4 ? path.substr(path.size() - 4) : "";
        for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return extension;
    }

    // A command file: only Windows NT starts one, through its command
    // interpreter; Windows 95, 98 and Me refuse it.
    static bool CommandFile(const std::string& path) {
        const std::string extension = Extension(path);
        return extension == ".bat" || extension == ".cmd";
    }

    // A file Windows starts: a program with its "MZ" header, or a command file.
    bool Runnable(const std::string& path) const {
        if (CommandFile(path) || Extension(path) == ".com") return true;
        std::string start;
        return sys_.Read(path, start, 2) && start.compare(0, 2, "MZ") == 0;
    }

    // The program a command starts: the first file tried that is in the kit,
    // or else the first tried; empty when the command names none.
    std::string ProgramOf(const std::string& command) const {
        const std::vector<std::string> candidates = ProgramCandidates(command);
        for (const std::string& candidate : candidates)
            if (!Absolute(candidate) && sys_.Kind(w_.ini.kitPath + candidate) == FileKind::File) return candidate;
        return candidates.empty() ? "" : candidates.front();
    }

    // Empty when the command's program is in the kit and is one (file names
    // it then); otherwise the problem.
    std::string ProgramProblem(const std::string& command, std::string& file) {
        file = ProgramOf(command);
        if (file.empty()) return "o comando está vazio: nada é iniciado.";
        const std::string path = w_.ini.kitPath + file;
        if (Absolute(file)) return "o programa " + file + " está fora da pasta do kit.";
        if (sys_.Kind(path) != FileKind::File) return "o programa " + file + " não está no kit.";
        if (Runnable(path)) return "";
        std::string start;
        const bool empty = !sys_.Read(path, start, 1) || start.empty();
        return "o arquivo " + file + (empty ? " está vazio" : " não começa com \"MZ\"") +
               " e não é um programa: " + kProgramNeeds + ". O Setup32 diz que está faltando.";
    }

    // What a command's program is, for the files the launcher opens.
    std::string ProgramVerdict(const std::string& file) const {
        const std::string path = w_.ini.kitPath + file;
        const FileKind kind = Absolute(file) ? FileKind::Missing : sys_.Kind(path);
        if (kind != FileKind::File) return kind == FileKind::Folder ? "folder" : "missing";
        if (CommandFile(file)) return "command-file";
        if (Runnable(path)) return "program";
        std::string start;
        return !sys_.Read(path, start, 1) || start.empty() ? "empty" : "not-a-program";
    }

    // The program of each command, once for all the rows that start it.
    void ProgramFiles() {
        const SetupIniReport& report = w_.frame.setupIniReport();
        for (std::size_t i = 0; i < kSetupIniRows.size(); ++i) {
            const SetupIniRow& row = kSetupIniRows[i];
            if (!row.command || report[i].outcome == RowOutcome::Beeped) continue;
            const std::string file = ProgramOf(w_.ini.*row.command);
            if (file.empty()) continue;
            const std::string path = w_.ini.kitPath + file;
            const std::optional<std::string> found = Absolute(file) ? std::nullopt : sys_.Found(path);
            auto same = [&](const FileReport& f) {
                return f.role == "program" && (found ? f.path == found : !f.path && f.name == file);
            };
            auto known = std::find_if(r_.files.begin(), r_.files.end(), same);
            if (known == r_.files.end()) {
                FileReport program;
                program.name = file;
                program.role = "program";
                program.path = found;
                program.verdict = ProgramVerdict(file);
                r_.files.push_back(program);
                known = r_.files.end() - 1;
            }
            known->keys.push_back(KeyOf(row));
            known->started = known->started || r_.started.count(KeyOf(row)) > 0;
        }
    }

    void Commands() {
        const SetupIniReport& report = w_.frame.setupIniReport();
        for (std::size_t i = 0; i < kSetupIniRows.size(); ++i) {
            const SetupIniRow& row = kSetupIniRows[i];
            if (!row.command || report[i].outcome == RowOutcome::Beeped) continue;
            std::string file;
            std::string problem = ProgramProblem(w_.ini.*row.command, file);
            std::string code = file.empty() ? "command-empty" : "program-missing";
            if (problem.empty() && CommandFile(file)) {
                code = "command-file-nt-only";
                problem = file + " é um arquivo de comandos: o Windows 95, 98 e Me não o iniciam, e ali o Setup32 "
                                 "age como se estivesse faltando.";
            }
            if (problem.empty()) continue;
            if (r_.started.count(KeyOf(row)))
                Add(code, KeyOf(row), file, problem);
            else
                Note("never-started", KeyOf(row), file,
                     problem + " Não é um problema: " + KeyOf(row) + " nunca é iniciado, porque " + NeverStarted(row) +
                         ".");
        }
    }

    // What the CD notes need: the interval, the pictures of the ticks, and
    // each file the kit makes the launcher use (the program of every command
    // some road starts, the one found in the kit or else the first tried, and
    // every picture).
    CdFacts CdFactsOf() {
        CdFacts facts;
        facts.kitPath = w_.ini.kitPath;
        facts.interval = sys_.timerInterval;
        facts.slideshow = slideshow_;
        const SetupIniReport& report = w_.frame.setupIniReport();
        for (std::size_t i = 0; i < kSetupIniRows.size(); ++i) {
            const SetupIniRow& row = kSetupIniRows[i];
            if (!row.command || report[i].outcome == RowOutcome::Beeped || !r_.started.count(KeyOf(row))) continue;
            const std::string file = ProgramOf(w_.ini.*row.command);
            if (!file.empty() && !Absolute(file)) facts.namedFiles.push_back({"", KeyOf(row), file, ""});
        }
        for (const std::string& path : sys_.pictureLoads)
            if (!Absolute(InKit(path))) facts.namedFiles.push_back({"", "", InKit(path), ""});
        return facts;
    }

    Start StartFor(CtlId option) {
        Start start;
        start.option = DesignOf(FormId::frmIE, option)->caption;
        const std::int16_t version = ChosenVersion(option == CtlId::OpIE3, option == CtlId::OpIE4);
        start.version = version;
        if (const std::string* command = InstallerFor(r_.lang, version, w_.ini)) {
            start.command = *command;
            if (const SetupIniRow* row = RowOf(w_.ini, command)) start.key = KeyOf(*row);
        }
        return start;
    }

    void Offers(const std::string& browser, std::int16_t ieVer) {
        OfferRow row;
        row.browser = browser;
        row.ieVer = ieVer;
        const Offer offer = OfferFor(r_.lang, ieVer, w_.ini);
        row.plan = offer.known ? offer.plan : kLangUnknownText;
        const bool shown[] = {offer.OpIE3, offer.OpIE4, offer.OpIE5};
        for (int i = 0; i < 3; ++i) {
            if (DesignOf(FormId::frmIE, kOptions[i])->flags & kSelected) row.byDefault = StartFor(kOptions[i]);
            if (!shown[i]) continue;
            row.choices.push_back(StartFor(kOptions[i]));
            row.options.push_back(row.choices.back().version);
        }
        if (offer.known) CheckStarts(row);
        r_.matrix.push_back(row);
    }

    void CheckStarts(const OfferRow& row) {
        std::string file;
        std::string problem = ProgramProblem(row.byDefault.command, file);
        if (!problem.empty())
            Add("default-road-missing", row.byDefault.key, file,
                "o Avançar sem escolha inicia " + row.byDefault.key + ", e " + problem);
        for (const Start& choice : row.choices) {
            const SetupIniRow* flag = FlagFor(choice.key);
            if (!flag || choice.key == row.byDefault.key) continue;
            file.clear();
            problem = ProgramProblem(choice.command, file);
            if (!problem.empty())
                Add("offered-installer-missing", KeyOf(*flag), file,
                    "oferece a versão " + std::to_string(choice.version) + ", que inicia " + choice.key + ", e " +
                        problem);
        }
    }

    FilePlatform& sys_;
    Wizard w_;
    KitReport r_;
    std::string ini_;                 // setup.ini's bytes
    std::vector<std::string> ticks_;  // the pictures the slideshow's ticks load
    std::vector<std::pair<std::string, PictureFacts>> slideshow_;  // the pictures of the ticks, judged
    std::vector<std::pair<std::string, std::int16_t>> browsers_;  // the matrix's classifications
    std::string dialer_;              // the row the start page's dialer road starts
};

}  // namespace

std::vector<std::string> ProgramCandidates(const std::string& command) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t start = 0;
    while (start < command.size() && blank(command[start])) ++start;
    std::vector<std::string> names;
    if (start < command.size() && command[start] == '"') {
        std::size_t close = command.find('"', start + 1);
        names.push_back(command.substr(start + 1, close == std::string::npos ? std::string::npos : close - start - 1));
    } else {
        for (std::size_t end = start; end <= command.size(); ++end)
            if ((end == command.size() || blank(command[end])) && end > start && !blank(command[end - 1]))
                names.push_back(command.substr(start, end - start));
    }
    std::vector<std::string> candidates;
    for (std::string& name : names) {
        if (name.empty()) continue;
        std::size_t base = name.find_last_of("\\/:");
        if (name.find('.', base == std::string::npos ? 0 : base + 1) == std::string::npos) name += ".exe";
        candidates.push_back(name);
    }
    return candidates;
}

KitReport CheckKit(FilePlatform& sys) { return Checker(sys).Run(); }

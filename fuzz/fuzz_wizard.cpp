// setup.ini values of any bytes, then the whole road through the wizard:
// start-up, slideshow, both pages and every button.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/setup_ini.h"
#include "platform/forms/fake_forms.h"
#include "platform/system/fake_system.h"
#include "probe/browser_probe.h"
#include "wizard/layout.h"
#include "wizard/wizard.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Lines of the input are the values of the seventeen keys, then the
    // browser's Build and Version, then the buttons pressed.
    std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = input.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(input.substr(start, end - start));
    lines.push_back(input.substr(start));

    std::vector<std::string> log;
    FakeSystem sys{log};
    FakeForms forms{WindowDesign(), log};
    sys.iniFile = "C:\\KIT\\setup.ini";
    std::size_t line = 0;
    for (const SetupIniRow& row : kSetupIniRows)
        if (line < lines.size()) {
            const std::string& value = lines[line++];
            if (value != "-") sys.SetIni(row.section, row.key, value);
        }
    if (line < lines.size()) sys.SetRegValue(kBrowserKey, "Build", kRegSz, {lines[line].begin(), lines[line].end()}), ++line;
    if (line < lines.size()) sys.SetRegText(kBrowserKey, "Version", lines[line++]);
    sys.programs.insert("setup.exe");

    Wizard w(sys, forms);
    forms.events = &w;
    w.Load(FormId::MDIQOBSetup);
    w.Resize(FormId::MDIQOBSetup);
    for (; line < lines.size(); ++line) {
        for (char press : lines[line]) {
            sys.answers.push_back(press & 1 ? vbYes : vbNo);
            switch (press % 8) {
            case 0: w.Timer(FormId::MDIQOBSetup); break;
            case 1: w.Click(FormId::frmini, CtlId::cmdNext); break;
            case 2: forms.Select(FormId::frmini, CtlId::optDiscador); break;
            case 3: w.Click(FormId::frmIE, CtlId::cmdBack); break;
            case 4: forms.Select(FormId::frmIE, press & 16 ? CtlId::OpIE3 : CtlId::OpIE4); break;
            case 5: w.Click(FormId::frmIE, CtlId::cmdNext); break;
            case 6: w.Click(FormId::frmini, CtlId::cmdCancel); break;
            default: {
                std::int16_t cancel = 0;
                w.QueryUnload(FormId::MDIQOBSetup, cancel, static_cast<std::int16_t>(press & 3));
            }
            }
        }
    }
    return 0;
}

#include "wizard/layout.h"

using F = FormId;
using C = CtlId;

const std::array<FormDesign, 3> kForms = {{
    {F::MDIQOBSetup, "MDIQOBSetup", "QOB - Programa de Instalação", 1755, 1515, 9255, 8460},
    {F::frmini, "frmini", "QOB - Instalação do Kit de Acesso", 3045, 2325, 6555, 4500},
    {F::frmIE, "frmIE", "QOB - Instalação do Kit de Acesso", 3045, 2325, 6555, 4500},
}};

// clang-format off
const std::array<ControlDesign, 25> kControls = {{
    // form     control           name            kind              container    caption                                                        left  top   width height tab     flags
    {F::frmini, C::Image1,       "Image1",       Kind::Image,      C::None,     "",                                                            120,  60,   1830, 3450, kNoTab, 0},
    {F::frmini, C::Label1,       "Label1",       Kind::Label,      C::None,     "Escolha uma das opções abaixo:",                              2100, 240,  4155, 495,  6,      0},
    {F::frmini, C::IEFrame,      "IEFrame",      Kind::Frame,      C::None,     "",                                                            2160, 840,  4275, 1935, 5,      0},
    {F::frmini, C::OptIE,        "OptIE",        Kind::Option,     C::IEFrame,  "Instalar o Internet Explorer 5 (com Cadastramento On-Line)",  240,  0,    3915, 435,  0,      kSelected},
    {F::frmini, C::optDiscador,  "optDiscador",  Kind::Option,     C::IEFrame,  "Instalar o Discador do QOB",                                  240,  1200, 3915, 195,  1,      0},
    {F::frmini, C::Frame1,       "Frame1",       Kind::Frame,      C::None,     "",                                                            120,  3600, 6315, 135,  4,      kSeparator},
    {F::frmini, C::cmdNext,      "cmdNext",      Kind::Button,     C::None,     "Próximo >>",                                                  3900, 3960, 1125, 345,  2,      kDefault},
    {F::frmini, C::cmdCancel,    "cmdCancel",    Kind::Button,     C::None,     "Cancela",                                                     5220, 3960, 1125, 345,  3,      kCancel},

    {F::frmIE,  C::Image1,       "Image1",       Kind::Image,      C::None,     "",                                                            120,  60,   1830, 3450, kNoTab, 0},
    {F::frmIE,  C::Picture2,     "Picture2",     Kind::PictureBox, C::None,     "",                                                            2040, 60,   4395, 1935, 6,      0},
    {F::frmIE,  C::Frame2,       "Frame2",       Kind::Frame,      C::Picture2, "",                                                            60,   0,    4095, 1815, 7,      0},
    {F::frmIE,  C::Label1,       "Label1",       Kind::Label,      C::Frame2,   "Informações da Instalação:",                                  60,   60,   1920, 195,  13,     kAutoSize},
    {F::frmIE,  C::Label2,       "Label2",       Kind::Label,      C::Frame2,   "Sistema: ",                                                   60,   300,  645,  195,  9,      kAutoSize},
    {F::frmIE,  C::lblSistema,   "lblSistema",   Kind::Label,      C::Frame2,   "lblSistema",                                                  180,  600,  705,  195,  8,      kAutoSize},
    {F::frmIE,  C::Label3,       "Label3",       Kind::Label,      C::Frame2,   "Idioma:",                                                     60,   900,  510,  195,  10,     kAutoSize},
    {F::frmIE,  C::lblLinguagem, "lblLinguagem", Kind::Label,      C::Frame2,   "lblLinguagem",                                                180,  1140, 930,  195,  11,     kAutoSize},
    {F::frmIE,  C::lblResultado, "lblResultado", Kind::Label,      C::Frame2,   "lblResultado",                                                180,  1440, 870,  195,  12,     kAutoSize},
    {F::frmIE,  C::IEFrame,      "IEFrame",      Kind::Frame,      C::None,     "",                                                            2100, 2100, 4275, 1215, 3,      0},
    {F::frmIE,  C::OpIE3,        "OpIE3",        Kind::Option,     C::IEFrame,  "Instalar Internet Explorer 3.02",                             240,  0,    3915, 495,  5,      kHidden},
    {F::frmIE,  C::OpIE4,        "OpIE4",        Kind::Option,     C::IEFrame,  "Instalar Internet Explorer 4.01",                             240,  360,  3975, 495,  4,      kHidden},
    {F::frmIE,  C::OpIE5,        "OpIE5",        Kind::Option,     C::IEFrame,  "Instalar Internet Explorer 5",                                240,  720,  3975, 495,  14,     kHidden | kSelected},
    {F::frmIE,  C::Frame1,       "Frame1",       Kind::Frame,      C::None,     "",                                                            120,  3600, 6315, 135,  0,      kSeparator},
    {F::frmIE,  C::cmdBack,      "cmdBack",      Kind::Button,     C::None,     "<< Voltar",                                                   2700, 3960, 1125, 345,  15,     0},
    {F::frmIE,  C::cmdNext,      "cmdNext",      Kind::Button,     C::None,     "Próximo >>",                                                  3900, 3960, 1125, 345,  1,      kDefault},
    {F::frmIE,  C::cmdCancel,    "cmdCancel",    Kind::Button,     C::None,     "Cancela",                                                     5220, 3960, 1125, 345,  2,      kCancel},
}};
// clang-format on

const Design& WindowDesign() {
    static const Design design{kForms.data(), kForms.size(), kControls.data(), kControls.size(),
                               kTimer1DesignInterval};
    return design;
}

const FormDesign& DesignOf(FormId form) { return WindowDesign().Of(form); }
const ControlDesign* DesignOf(FormId form, CtlId control) { return WindowDesign().Of(form, control); }
std::vector<const ControlDesign*> CreationOrder(FormId form) { return WindowDesign().CreationOrder(form); }

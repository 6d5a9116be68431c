// Both pages' controls as the window design places them, for the tests that
// check them on the screen.
#pragma once

#include "platform/forms/forms.h"

namespace designed {

// A control as the window design places it: its container, its caption,
// left, top, width and height in twips (15 to a pixel at 96 dpi), and how it
// starts.
enum : unsigned {
    kSelected = 1,
    kHidden = 2,
    kFits = 4,   // a label showing its caption on one line, as wide as its frame's room
    kLine = 8,   // a frame drawn as a horizontal line: an etched line 2 pixels high
    kHolds = 16, // a frame of such labels: as wide as its design or as they need, within its container
};
struct Designed {
    CtlId id, container;  // CtlId::None: the page itself
    const char* caption;
    int left, top, width, height;
    unsigned other;
};

using C = CtlId;
inline const Designed kStartPage[] = {
    {C::Image1, C::None, "", 120, 60, 1830, 3450, 0},
    {C::Label1, C::None, "Escolha uma das opções abaixo:", 2100, 240, 4155, 495, 0},
    {C::IEFrame, C::None, "", 2160, 840, 4275, 1935, 0},
    {C::OptIE, C::IEFrame, "Instalar o Internet Explorer 5 (com Cadastramento On-Line)", 240, 0, 3915, 435, kSelected},
    {C::optDiscador, C::IEFrame, "Instalar o Discador do QOB", 240, 1200, 3915, 195, 0},
    {C::Frame1, C::None, "", 120, 3600, 6315, 135, kLine},
    {C::cmdNext, C::None, "Próximo >>", 3900, 3960, 1125, 345, 0},
    {C::cmdCancel, C::None, "Cancela", 5220, 3960, 1125, 345, 0},
};
// The last three labels show what the set-up wrote: Windows 95, no build on offer.
inline const Designed kBrowserPage[] = {
    {C::Image1, C::None, "", 120, 60, 1830, 3450, 0},
    {C::Picture2, C::None, "", 2040, 60, 4395, 1935, 0},
    {C::Frame2, C::Picture2, "", 60, 0, 4095, 1815, kHolds},
    {C::Label1, C::Frame2, "Informações da Instalação:", 60, 60, 1920, 195, kFits},
    {C::Label2, C::Frame2, "Sistema: ", 60, 300, 645, 195, kFits},
    {C::lblSistema, C::Frame2, "Windows 95 Version 4.0, Build 950", 180, 600, 705, 195, kFits},
    {C::Label3, C::Frame2, "Idioma:", 60, 900, 510, 195, kFits},
    {C::lblLinguagem, C::Frame2, "Português", 180, 1140, 930, 195, kFits},
    {C::lblResultado, C::Frame2, "Será instalado o Internet Explorer 5 em Português", 180, 1440, 870, 195, kFits},
    {C::IEFrame, C::None, "", 2100, 2100, 4275, 1215, 0},
    {C::OpIE3, C::IEFrame, "Instalar Internet Explorer 3.02", 240, 0, 3915, 495, kHidden},
    {C::OpIE4, C::IEFrame, "Instalar Internet Explorer 4.01", 240, 360, 3975, 495, kHidden},
    {C::OpIE5, C::IEFrame, "Instalar Internet Explorer 5", 240, 720, 3975, 495, kHidden | kSelected},
    {C::Frame1, C::None, "", 120, 3600, 6315, 135, kLine},
    {C::cmdBack, C::None, "<< Voltar", 2700, 3960, 1125, 345, 0},
    {C::cmdNext, C::None, "Próximo >>", 3900, 3960, 1125, 345, 0},
    {C::cmdCancel, C::None, "Cancela", 5220, 3960, 1125, 345, 0},
};

}  // namespace designed

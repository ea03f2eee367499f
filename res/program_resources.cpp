// The program's resource table: strings, icon, menu bar description, language and the
// high-resolution marker.
#include "res/program_resources.h"

#include "platform/resources.h"
#include "platform/shell.h"
#include "res/program_icon.h"

namespace {

constexpr ResourceString Strings[] = {
    {IDS_TITLE, L"Kavro"},
    {IDS_CLASS, L"KAVRO"},
    {IDS_OK, L"Ok"},
};

constexpr ResourceIcon Icons[] = {
    {IDI_KAVRO, ProgramIconSize, ProgramIconSize, ProgramIcon.values},
};

// The menu bar in the platform's menu-bar resource layout: menu identifier, button count, then
// per button its image, command, state, style, text string, a zero word and its drop-down menu.
// One button: no image, the "Ok" command, enabled, sized to its text "Ok", no drop-down.
constexpr WORD MenuBarWords[] = {
    static_cast<WORD>(IDR_MENUBAR),
    1,
    static_cast<WORD>(I_IMAGENONE),
    static_cast<WORD>(IDM_OK),
    TBSTATE_ENABLED,
    TBSTYLE_AUTOSIZE,
    static_cast<WORD>(IDS_OK),
    0,
    NOMENU,
};

constexpr ResourceMenuBar MenuBars[] = {
    {IDR_MENUBAR, MenuBarWords, static_cast<int>(sizeof MenuBarWords / sizeof MenuBarWords[0])},
};

// Every resource is filed under Russian (0x0419); the texts themselves are English.
constexpr WORD ResourceLanguage = 0x0419;

constexpr ResourceTable ProgramResources = {
    Strings,
    static_cast<int>(sizeof Strings / sizeof Strings[0]),
    Icons,
    static_cast<int>(sizeof Icons / sizeof Icons[0]),
    MenuBars,
    static_cast<int>(sizeof MenuBars / sizeof MenuBars[0]),
    ResourceLanguage,
    // The program draws in physical pixels: every coordinate it uses is a device pixel.
    true,
};

}  // namespace

const ResourceTable* ProgramResourceTable() { return &ProgramResources; }

void RegisterProgramResources() { RegisterResourceTable(&ProgramResources); }

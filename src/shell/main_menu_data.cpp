#include "main_menu_data.h"

#include "window_ids.h"

#include "base/messages.h"
#include "base/text_tables.h"

namespace quorva {

namespace {

// clang-format off
constexpr int kProject[] = {cmd::ProjectNew, cmd::ProjectOpen, cmd::ProjectReload, cmd::ProjectSave,
                            cmd::ProjectSaveAs, cmd::ProjectClose, 0, cmd::AutoProgram, cmd::Production, 0,
                            cmd::RecentPlaceholder, 0, cmd::Exit};
constexpr int kFlash[] = {cmd::FlashLoad, cmd::FlashLoadAt, cmd::FlashReload, cmd::FlashSave, cmd::FlashSaveAs,
                          cmd::FlashClose, 0, cmd::ProgramFlash, cmd::VerifyFlash, cmd::ReadFlash};
constexpr int kEeprom[] = {cmd::EepromLoad, cmd::EepromLoadAt, cmd::EepromReload, cmd::EepromSave,
                           cmd::EepromSaveAs, cmd::EepromClose, 0, cmd::ProgramEeprom, cmd::VerifyEeprom,
                           cmd::ReadEeprom};
constexpr int kSettings[] = {cmd::ProjectSettings, cmd::LockFuseBits, 0, cmd::BoardSettings, 0,
                             cmd::SelectLanguage};
constexpr int kAdvanced[] = {cmd::BlankCheck, cmd::ReadSignature, 0, cmd::ReadCalibration, 0,
                             cmd::UpdateFirmware, 0, cmd::ProgrammerInfo, 0, cmd::ProductionRecords};
constexpr int kHelp[] = {cmd::Help, 0, cmd::About};

constexpr MenuResourceColumn kColumns[] = {
    {"&Project", kProject},
    {"&Flash", kFlash},
    {"&Eeprom", kEeprom},
    {"&Settings", kSettings},
    {"&Advanced", kAdvanced},
    {"&Help", kHelp},
};

// Items the program has beyond the menu resource, with their texts' ids in
// the message catalogue.
struct AddedItem {
    int commandId;
    int messageId;
};
constexpr AddedItem kAddedItems[] = {
    {cmd::ProductionRecords, 2363},
    {cmd::Production, 2380},
};

// The keys every desktop program answers; Enter and Escape stay free, as the
// main window has no default or cancel action.
struct Shortcut {
    int commandId;
    const char* keys;
};
constexpr Shortcut kShortcuts[] = {
    {cmd::ProjectOpen, "Ctrl+O"},
    {cmd::ProjectSave, "Ctrl+S"},
    {cmd::Exit,        "Ctrl+Q"},
    {cmd::Help,        "F1"},
};
// clang-format on

} // namespace

std::span<const MenuResourceColumn> menuResource()
{
    return kColumns;
}

const char* menuItemText(int commandId, bool russian)
{
    if (const char* text = menuText(commandId, russian))
        return text;
    for (const AddedItem& item : kAddedItems)
        if (item.commandId == commandId)
            return messageText(item.messageId, russian);
    return nullptr;
}

const char* menuShortcut(int commandId)
{
    for (const Shortcut& shortcut : kShortcuts)
        if (shortcut.commandId == commandId)
            return shortcut.keys;
    return nullptr;
}

} // namespace quorva

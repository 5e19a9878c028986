#pragma once

#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace quorva {

// Caption and control texts of one dialog in both languages (UTF-8).
struct DialogTextEntry {
    int controlId;
    const char* english;
    const char* russian;
};

struct DialogTextTable {
    int dialogId;
    const char* captionEnglish;
    const char* captionRussian;
    std::span<const DialogTextEntry> entries;
};

// The nine tables in search order: 138, 130, 132, 148, 102, 129, 140, 149, 150.
std::span<const DialogTextTable> dialogTextTables();

// The first table for the dialog, or nullptr.
const DialogTextTable* findDialogTextTable(int dialogId);

// What translating a window with this dialog id does, resolved in one language:
// the caption, and for each control id the text that wins (later entries for the
// same control win), in first-appearance order. nullopt when the dialog has no
// table (it then stays in English in both languages).
struct DialogTexts {
    std::string caption;
    std::vector<std::pair<int, std::string>> controls;
};
std::optional<DialogTexts> dialogTexts(int dialogId, bool russian);

// One relabelling of the main menu. key > 0: the item with that command id;
// key <= 0: the top-level menu at position -key.
struct MenuTextEntry {
    int key;
    const char* english;
    const char* russian;
};

// The 42 entries in the order they are applied.
std::span<const MenuTextEntry> menuTextTable();

// The text for a key in one language, nullptr when no entry has that key.
const char* menuText(int key, bool russian);

// The fixed English-only texts shown alike in both languages.
inline constexpr const char* kTextProjectLoaded = "Project loaded";
inline constexpr const char* kTextProjectNotLoaded = "Project not loaded";
inline constexpr const char* kTextSetPowerOf2 = "Set \"power of 2\" bit";
inline constexpr const char* kTextCannotTranslateMenu = "Cannot translate menu.";
inline constexpr const char* kTextError = "Error";
inline constexpr const char* kTextNotTranslated = "NOT TRANSLATED";
// The status line until a command first sets it.
inline constexpr const char* kTextPleaseWait = "Please wait...";

} // namespace quorva

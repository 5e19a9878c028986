#include "text_tables.h"

#include <algorithm>

namespace quorva {

const DialogTextTable* findDialogTextTable(int dialogId)
{
    for (const DialogTextTable& table : dialogTextTables()) {
        if (table.dialogId == dialogId)
            return &table;
    }
    return nullptr;
}

std::optional<DialogTexts> dialogTexts(int dialogId, bool russian)
{
    const DialogTextTable* table = findDialogTextTable(dialogId);
    if (table == nullptr)
        return std::nullopt;

    DialogTexts texts;
    texts.caption = russian ? table->captionRussian : table->captionEnglish;
    for (const DialogTextEntry& entry : table->entries) {
        const char* text = russian ? entry.russian : entry.english;
        auto same = [&](const auto& control) { return control.first == entry.controlId; };
        auto found = std::find_if(texts.controls.begin(), texts.controls.end(), same);
        // Setting a control's text twice leaves the second; keep its first place.
        if (found != texts.controls.end())
            found->second = text;
        else
            texts.controls.emplace_back(entry.controlId, text);
    }
    return texts;
}

const char* menuText(int key, bool russian)
{
    for (const MenuTextEntry& entry : menuTextTable()) {
        if (entry.key == key)
            return russian ? entry.russian : entry.english;
    }
    return nullptr;
}

} // namespace quorva

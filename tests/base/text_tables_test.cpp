#include "base/messages.h"
#include "base/text_tables.h"
#include "text_checks.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace quorva {
namespace {

using Controls = std::vector<std::pair<int, std::string>>;

std::string controlText(const DialogTexts& texts, int controlId)
{
    for (const auto& [id, text] : texts.controls) {
        if (id == controlId)
            return text;
    }
    ADD_FAILURE() << "no text for control " << controlId;
    return {};
}

TEST(DialogTextTables, SearchOrderAndEntryCounts)
{
    const std::vector<std::pair<int, std::size_t>> expected = {
        {138, 30}, {130, 6}, {132, 5}, {148, 4}, {102, 11}, {129, 1}, {140, 10}, {149, 4}, {150, 11},
    };
    const auto tables = dialogTextTables();
    ASSERT_EQ(tables.size(), expected.size());
    for (std::size_t i = 0; i < tables.size(); ++i) {
        EXPECT_EQ(tables[i].dialogId, expected[i].first) << "position " << i;
        EXPECT_EQ(tables[i].entries.size(), expected[i].second) << "dialog " << tables[i].dialogId;
        EXPECT_EQ(findDialogTextTable(tables[i].dialogId), &tables[i]);
    }
}

TEST(DialogTextTables, DialogsWithoutATableStayUntranslated)
{
    for (const int dialogId : {139, 144, 131, 0, -1}) {
        EXPECT_EQ(findDialogTextTable(dialogId), nullptr) << dialogId;
        EXPECT_FALSE(dialogTexts(dialogId, false).has_value()) << dialogId;
        EXPECT_FALSE(dialogTexts(dialogId, true).has_value()) << dialogId;
    }
}

TEST(DialogTextTables, EveryTextIsPresentAndValidUtf8)
{
    for (const DialogTextTable& table : dialogTextTables()) {
        SCOPED_TRACE(table.dialogId);
        ASSERT_NE(table.captionEnglish, nullptr);
        ASSERT_NE(table.captionRussian, nullptr);
        EXPECT_TRUE(test::isValidUtf8(table.captionRussian));
        EXPECT_LE(table.entries.size(), 100u);
        for (const DialogTextEntry& entry : table.entries) {
            ASSERT_NE(entry.english, nullptr) << entry.controlId;
            ASSERT_NE(entry.russian, nullptr) << entry.controlId;
            EXPECT_TRUE(test::isValidUtf8(entry.english)) << entry.controlId;
            EXPECT_TRUE(test::isValidUtf8(entry.russian)) << entry.controlId;
        }
    }
}

TEST(DialogTextTables, MainWindowButtonsInBothLanguages)
{
    const auto english = dialogTexts(102, false);
    const auto russian = dialogTexts(102, true);
    ASSERT_TRUE(english && russian);
    // The title comes from message 1016 afterwards, so the table leaves it empty.
    EXPECT_EQ(english->caption, "");
    EXPECT_EQ(russian->caption, "");
    EXPECT_EQ(controlText(*english, 1009), "Program Flash");
    EXPECT_EQ(controlText(*russian, 1009), "Программир. Flash");
    EXPECT_EQ(controlText(*english, 32779), "Blank check");
    EXPECT_EQ(controlText(*russian, 32779), "Проверка на чистоту");
    EXPECT_EQ(controlText(*russian, 1079), "Микросхема");
}

TEST(DialogTextTables, CaptionsAndTextsOfTheSmallerDialogs)
{
    const auto settingsEn = dialogTexts(138, false);
    const auto settingsRu = dialogTexts(138, true);
    ASSERT_TRUE(settingsEn && settingsRu);
    EXPECT_EQ(settingsEn->caption, "Project Settings");
    EXPECT_EQ(settingsRu->caption, "Настройки проекта");
    EXPECT_EQ(controlText(*settingsEn, 3002), "Auto check signature\nbefore each operation");
    EXPECT_EQ(controlText(*settingsRu, 3002), "Проверять сигнатуру\nnеред каждой операцией");
    EXPECT_EQ(controlText(*settingsRu, 1060), "Перезагр,");
    EXPECT_EQ(controlText(*settingsRu, 1064), "Перезагр.");
    EXPECT_EQ(controlText(*settingsEn, 2), "&Cancel");

    const auto board = dialogTexts(130, true);
    ASSERT_TRUE(board);
    EXPECT_EQ(board->caption, "Настройки программатора");
    EXPECT_EQ(controlText(*board, 1060), "Интерфейс USB");

    // The About box drops its two contact lines in either language.
    for (const bool russian : {false, true}) {
        const auto about = dialogTexts(132, russian);
        ASSERT_TRUE(about);
        EXPECT_EQ(controlText(*about, 1109), "");
        EXPECT_EQ(controlText(*about, 1110), "");
    }
    EXPECT_EQ(controlText(*dialogTexts(132, true), 1104), "Внутрисхемный программатор QUORVA");
    EXPECT_EQ(controlText(*dialogTexts(132, false), 1104), "In-System Programmer");

    // The language names read the same in both languages.
    const auto languageEn = dialogTexts(148, false);
    const auto languageRu = dialogTexts(148, true);
    ASSERT_TRUE(languageEn && languageRu);
    EXPECT_EQ(languageEn->caption, "Language");
    EXPECT_EQ(languageRu->caption, "Язык");
    EXPECT_EQ(controlText(*languageEn, 1125), "English/Английский");
    EXPECT_EQ(controlText(*languageRu, 1125), "English/Английский");
    EXPECT_EQ(controlText(*languageRu, 1126), "Russian/Русский");
    EXPECT_EQ(controlText(*languageRu, 2), "Отмена");

    EXPECT_EQ(dialogTexts(129, true)->controls, (Controls{{2, "Отмена"}}));
    EXPECT_EQ(controlText(*dialogTexts(140, true), 1138),
              "Нажатая кнопка обозначает, что fuse бит запрограммирован (0)");
    EXPECT_EQ(dialogTexts(149, true)->caption, "Загрузить по адресу");
    EXPECT_EQ(controlText(*dialogTexts(149, true), 1130), "Шестнадцатиричный");
}

TEST(DialogTextTables, LaterEntryForTheSameControlWins)
{
    const auto table = findDialogTextTable(150);
    ASSERT_NE(table, nullptr);
    std::vector<int> ids;
    for (const DialogTextEntry& entry : table->entries)
        ids.push_back(entry.controlId);
    EXPECT_EQ(ids, (std::vector<int>{1153, 1154, 1156, 1155, 1157, 1158, 1159, 1155, 1157, 1, 2}));

    const auto english = dialogTexts(150, false);
    ASSERT_TRUE(english);
    EXPECT_EQ(english->caption, "Self-Program Settings");
    EXPECT_EQ(english->controls, (Controls{{1153, "Settings"},
                                           {1154, "Current version"},
                                           {1156, "New firmware version"},
                                           {1155, "-"},
                                           {1157, "-"},
                                           {1158, "Program at normal speed"},
                                           {1159, "Program at reduced speed"},
                                           {1, "Update"},
                                           {2, "Cancel"}}));
    const auto russian = dialogTexts(150, true);
    ASSERT_TRUE(russian);
    EXPECT_EQ(russian->caption, "Настройки обновления версии");
    EXPECT_EQ(controlText(*russian, 1155), "-");
    EXPECT_EQ(controlText(*russian, 1157), "-");
    EXPECT_EQ(controlText(*russian, 1), "Обновить");
}

TEST(MenuTextTable, KeysInTableOrder)
{
    const std::vector<int> expected = {
        0,     32784, 32780, 32783, 32781, 32782, 32792, 1015,  32800, 1056,  1006,  32908, 32790, 32776,
        32774, 32771, 1009,  1010,  1013,  1007,  32909, 32791, 32772, 32775, 32773, 1011,  1012,  1014,
        -3,    32795, 1016,  32785, 32907, -4,    32779, 32777, 32904, 32901, 32910, -5,    32789, 16,
    };
    std::vector<int> keys;
    for (const MenuTextEntry& entry : menuTextTable())
        keys.push_back(entry.key);
    EXPECT_EQ(keys, expected);
    // menuText returns the first match, so each key must name one entry.
    EXPECT_EQ(std::set<int>(keys.begin(), keys.end()).size(), keys.size());
}

TEST(MenuTextTable, TextsInBothLanguages)
{
    EXPECT_STREQ(menuText(0, false), "&Project");
    EXPECT_STREQ(menuText(0, true), "Проект");
    EXPECT_STREQ(menuText(1016, false), "&Lock&&Fuse Bits...");
    EXPECT_STREQ(menuText(1016, true), "Lock/Fuse биты...");
    EXPECT_STREQ(menuText(16, false), "&About");
    EXPECT_STREQ(menuText(16, true), "О программе...");
    EXPECT_STREQ(menuText(-4, true), "Дополнительно");
    EXPECT_STREQ(menuText(32907, true), "Язык/Language...");
    EXPECT_STREQ(menuText(32908, false), "Load A&t...");
    EXPECT_STREQ(menuText(32909, false), "Load &At...");

    // The Flash and Eeprom menus keep their resource text.
    EXPECT_EQ(menuText(-1, false), nullptr);
    EXPECT_EQ(menuText(-2, true), nullptr);
    EXPECT_EQ(menuText(12345, false), nullptr);

    for (const MenuTextEntry& entry : menuTextTable()) {
        EXPECT_TRUE(test::isValidUtf8(entry.russian)) << entry.key;
        EXPECT_NE(std::string(entry.russian), "") << entry.key;
    }
}

} // namespace
} // namespace quorva

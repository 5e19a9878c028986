#include "base/messages.h"
#include "base/text_tables.h"
#include "text_checks.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <string>

namespace quorva {
namespace {

using test::isValidUtf8;
using test::printfConversions;

// The English texts, typed separately from the catalogue source: "\n" stands
// for a line feed and "\\" for one backslash.
std::map<int, std::string> readEnglishFixture()
{
    std::ifstream in(QUORVA_TEST_DATA "/fixtures/messages_en.tsv");
    EXPECT_TRUE(in.good()) << "fixture missing";
    std::map<int, std::string> texts;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        const auto tab = line.find('\t');
        EXPECT_NE(tab, std::string::npos) << line;
        if (tab == std::string::npos)
            continue;
        const int id = std::stoi(line.substr(0, tab));
        std::string text;
        for (std::size_t i = tab + 1; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                ++i;
                text += line[i] == 'n' ? '\n' : line[i];
            } else {
                text += line[i];
            }
        }
        EXPECT_TRUE(texts.emplace(id, text).second) << "fixture repeats id " << id;
    }
    return texts;
}

TEST(MessageCatalogue, EnglishTextsAndIdsMatchTheFixture)
{
    const auto expected = readEnglishFixture();
    ASSERT_GT(expected.size(), 190u);

    for (const auto& [id, text] : expected)
        EXPECT_EQ(messageText(id, false), text) << "id " << id;

    std::set<int> catalogueIds;
    for (const MessageRecord& record : messageCatalogue()) {
        EXPECT_TRUE(catalogueIds.insert(record.id).second) << "duplicate id " << record.id;
        EXPECT_TRUE(expected.count(record.id)) << "id " << record.id << " is not in the fixture";
    }
    EXPECT_EQ(catalogueIds.size(), expected.size());
}

TEST(MessageCatalogue, IdsLieInTheOriginalRangeOrThePortRange)
{
    for (const MessageRecord& record : messageCatalogue()) {
        const bool original = record.id >= 1001 && record.id <= 1199;
        EXPECT_TRUE(original || record.id >= 2001) << record.id;
    }
}

TEST(MessageCatalogue, RussianRowsGivenVerbatim)
{
    const std::map<int, std::string> russian = {
        {1004, "\nПродолжить?"},
        {1016, "Внутрисхемный программатор 11.56"},
        {1025, "Программатор QUORVA"},
        {1027, "Ошибка соединения"},
        {1041, "Длина Flash - %d (0x%X) байт(а), контрольная сумма 0x%04X"},
        {1150, "Плата не выбрана"},
        {1151, "%d%% завершено"},
        {1190, "Автопрограммирование: ЗАВЕРШЕНО УСПЕШНО"},
        {1191, "Автопрограммирование: произошла ошибка"},
        {1199, "Не найден файл помощи \"%s\"."},
    };
    for (const auto& [id, text] : russian)
        EXPECT_EQ(messageText(id, true), text) << "id " << id;
}

TEST(MessageCatalogue, BothLanguagesShareThePlaceholders)
{
    for (const MessageRecord& record : messageCatalogue()) {
        SCOPED_TRACE(record.id);
        ASSERT_NE(record.english, nullptr);
        ASSERT_NE(record.russian, nullptr);
        EXPECT_EQ(printfConversions(record.english), printfConversions(record.russian));
        for (const auto& conversion : printfConversions(record.english))
            EXPECT_NE(conversion, "%?") << "stray percent sign in the English text";
    }
}

TEST(MessageCatalogue, TextsAreWellFormed)
{
    for (const MessageRecord& record : messageCatalogue()) {
        SCOPED_TRACE(record.id);
        const std::string english = record.english;
        const std::string russian = record.russian;
        EXPECT_FALSE(english.empty());
        EXPECT_FALSE(russian.empty());
        EXPECT_TRUE(isValidUtf8(russian));
        // A Cyrillic look-alike typed into an English text would pass by eye.
        for (const char c : english)
            EXPECT_TRUE(static_cast<unsigned char>(c) < 0x80) << english;
        EXPECT_EQ(english.find('\r'), std::string::npos);
        EXPECT_EQ(russian.find('\r'), std::string::npos);
        EXPECT_EQ(russian.find('\t'), std::string::npos);
    }
}

TEST(MessageCatalogue, UnknownIdsAreNotTranslatedInEitherLanguage)
{
    for (const int id : {1000, 1082, 1102, 1152, 1156, 1157, 1167, 1200, 2000, 0, -1}) {
        EXPECT_STREQ(messageText(id, false), kTextNotTranslated) << id;
        EXPECT_STREQ(messageText(id, true), kTextNotTranslated) << id;
    }
}

TEST(MessageCatalogue, CurrentLanguageChoosesTheColumnAndFormats)
{
    setRussianUi(true);
    EXPECT_STREQ(messageText(1016), "Внутрисхемный программатор 11.56");
    EXPECT_EQ(formatMessage(1151, 42), "42% завершено");
    setRussianUi(false);
    EXPECT_STREQ(messageText(1016), "In-System Programmer 11.56");
    EXPECT_EQ(formatMessage(1151, 42), "42% completed");
    EXPECT_EQ(formatMessage(1002, "CKSEL0"), "\n  -  CKSEL0 should be unprogrammed");
    EXPECT_EQ(formatMessage(1179),
              "Version conflict. Update firmware version with '\\Advanced\\Update firmware version...' command.");
    EXPECT_EQ(formatMessage(2001, "/dev/ttyUSB0"),
              "Cannot open /dev/ttyUSB0: permission denied. Add your user to the 'dialout' group "
              "(sudo usermod -aG dialout $USER) and log in again.");
}

TEST(TextChecks, HelpersCatchWhatTheyClaim)
{
    EXPECT_TRUE(isValidUtf8("Язык/Language \xF0\x9F\x98\x80"));
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));         // overlong '/'
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(isValidUtf8("\xD0"));             // cut short
    EXPECT_FALSE(isValidUtf8("\xCF\xF0 cp1251"));  // Windows-1251 bytes
    EXPECT_EQ(printfConversions("%d%% at 0x%04X, %-5s %c"),
              (std::vector<std::string>{"%d", "%%", "%04X", "%-5s", "%c"}));
    EXPECT_EQ(printfConversions("50%!"), (std::vector<std::string>{"%?"}));
}

} // namespace
} // namespace quorva

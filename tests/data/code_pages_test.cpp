#include "data/code_pages.h"

#include <gtest/gtest.h>

namespace quorva::test {
namespace {

TEST(CodePagesTest, GlyphsAreTheOemCodePages)
{
    struct Sample {
        CodePage page;
        std::uint8_t byte;
        char32_t glyph;
    };
    for (const Sample& sample : {Sample{CodePage::Oem437, 0x00, U'\0'}, Sample{CodePage::Oem437, 0x02, U'\u263B'},
                                 Sample{CodePage::Oem437, 0x1F, U'\u25BC'}, Sample{CodePage::Oem437, 0x41, U'A'},
                                 Sample{CodePage::Oem437, 0x7F, U'\u2302'}, Sample{CodePage::Oem437, 0x9E, U'\u20A7'},
                                 Sample{CodePage::Oem437, 0xB0, U'\u2591'}, Sample{CodePage::Oem437, 0xE1, U'\u00DF'},
                                 Sample{CodePage::Oem437, 0xFF, U'\u00A0'}, Sample{CodePage::Oem866, 0x0D, U'\u266A'},
                                 Sample{CodePage::Oem866, 0x80, U'\u0410'}, Sample{CodePage::Oem866, 0xAF, U'\u043F'},
                                 Sample{CodePage::Oem866, 0xB0, U'\u2591'}, Sample{CodePage::Oem866, 0xE0, U'\u0440'},
                                 Sample{CodePage::Oem866, 0xF0, U'\u0401'}, Sample{CodePage::Oem866, 0xFC, U'\u2116'}})
        EXPECT_EQ(codePageGlyph(sample.page, sample.byte), sample.glyph) << int{sample.byte};
}

TEST(CodePagesTest, EveryByteHasAGlyphOfItsOwn)
{
    // A glyph listed twice would type as the wrong byte.
    for (CodePage page : {CodePage::Oem437, CodePage::Oem866})
        for (int byte = 0; byte < 256; ++byte)
            EXPECT_EQ(codePageByte(page, codePageGlyph(page, static_cast<std::uint8_t>(byte))), byte);
    EXPECT_FALSE(codePageByte(CodePage::Oem437, U'\u0410'));
    EXPECT_FALSE(codePageByte(CodePage::Oem866, U'\u00C7'));
}

} // namespace
} // namespace quorva::test

#include "base/messages.h"
#include "buffer_fixture.h"
#include "data/preview_model.h"

namespace quorva::test {
namespace {

// A cell of 10 x 20 pixels; a view of 600 x 200 has room for 8 lines.
class PreviewModelTest : public BufferFixture {
protected:
    PreviewModelTest()
    {
        model.setCellSize(c, h);
        model.setViewSize(600, 200);
    }
    void fill(int size)
    {
        flash.createBlank(size);
        for (int i = 0; i < size; ++i)
            flash.data()[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
        flash.setAllByteStates(ByteLoaded);
        model.snapshot();
    }
    void TearDown() override { setRussianUi(false); }
    // The centre of the hex cell and of the character cell of byte k on line r.
    int hexX(int k) const { return model.hexCellRight(k) - c; }
    int charX(int k) const { return model.charCellRight(k) - c / 2; }
    int lineY(int r) const { return (r + 1) * h + 2 + h / 2; }

    static constexpr int c = 10;
    static constexpr int h = 20;
    PreviewModel model{flash};
};

TEST_F(PreviewModelTest, SmallAndEmptyBuffersNeedNoScrollBar)
{
    model.snapshot();
    EXPECT_EQ(model.totalLines(), 0);
    EXPECT_FALSE(model.leftClick(hexX(0), lineY(0)));
    fill(0x20);
    EXPECT_EQ(model.totalLines(), 2);
    EXPECT_FALSE(model.hasScrollBar());
    EXPECT_FALSE(model.leftClick(hexX(0), lineY(2))); // below the last line
}

TEST_F(PreviewModelTest, ScrollsOverTheWholeBuffer)
{
    // 1 MB and 16 MB: every line can be brought into view, not only the first
    // 512 KB, and its address has room for all its digits.
    EXPECT_EQ(PreviewModel::kAddressDigits, 6);
    model.setAddressWidth(7 * c);
    for (int size : {1 << 20, 16 << 20}) {
        fill(size);
        const int visible = model.visibleLines();
        EXPECT_EQ(model.scrollMax(), size / 16 - visible);
        model.scrollTo(1 << 30);
        EXPECT_EQ(model.firstLine(), size / 16 - visible);
        const int last = size - 1;
        EXPECT_TRUE(model.shown(last));
        EXPECT_EQ(model.byteAt(last), static_cast<std::uint8_t>(last));
        ASSERT_TRUE(model.leftClick(hexX(15), lineY(visible - 1)));
        EXPECT_EQ(model.cursor(), last);
        ASSERT_TRUE(model.leftClick(charX(14), lineY(visible - 1)));
        EXPECT_EQ(model.cursor(), last - 1);
    }
    EXPECT_EQ(PreviewModel::addressText(0), "00000");
    EXPECT_EQ(PreviewModel::addressText(0xFFFF), "FFFF0");
    EXPECT_EQ(PreviewModel::addressText(0xFFFFF), "FFFFF0");
}

TEST_F(PreviewModelTest, APageKeepsOneLineInView)
{
    EXPECT_EQ(model.visibleLines(), 8);
    EXPECT_EQ(model.pageLines(), 7);
    model.setViewSize(600, 2 * h + 3);
    EXPECT_EQ(model.pageLines(), 1);
}

TEST_F(PreviewModelTest, SwapPairsShowAndEditThePartnerByte)
{
    fill(0x20);
    model.setSwapPairs(true);
    model.snapshot();
    EXPECT_EQ(model.headerDigit(0), 1);
    EXPECT_EQ(model.headerDigit(1), 0);
    EXPECT_EQ(model.headerDigit(15), 14);
    EXPECT_EQ(model.byteAt(0), 1);
    ASSERT_TRUE(model.leftClick(hexX(0), lineY(0)));
    EXPECT_TRUE(model.type('A'));
    EXPECT_TRUE(model.type('b'));
    EXPECT_EQ(flash.data()[1], 0xAB);
    EXPECT_EQ(flash.data()[0], 0x00);
    EXPECT_EQ(flash.byteState()[1], ByteEdited);
    EXPECT_TRUE(flash.modified());
    EXPECT_EQ(model.cursor(), 1); // on to the next display byte
}

TEST_F(PreviewModelTest, TypingFollowsTheEditModes)
{
    fill(0x20);
    ASSERT_TRUE(model.leftClick(hexX(3), lineY(0)));
    EXPECT_TRUE(model.type('1'));
    EXPECT_FALSE(model.type('G')); // not a hex digit: ignored, the cursor stays
    EXPECT_EQ(model.editMode(), PreviewModel::EditMode::HexLow);
    EXPECT_EQ(model.cursor(), 3);
    EXPECT_EQ(flash.data()[3], 0x13);
    EXPECT_EQ(model.colourAt(3).green, 0x80); // the teal cursor

    // Two digits on the last byte end the edit; more are ignored.
    ASSERT_TRUE(model.leftClick(hexX(15), lineY(1)));
    EXPECT_TRUE(model.type('f'));
    EXPECT_TRUE(model.type('e'));
    EXPECT_EQ(model.editMode(), PreviewModel::EditMode::None);
    EXPECT_FALSE(model.type('1'));
    EXPECT_EQ(flash.data()[0x1F], 0xFE);

    ASSERT_TRUE(model.leftClick(charX(0), lineY(1)));
    EXPECT_EQ(model.editMode(), PreviewModel::EditMode::Character);
    EXPECT_TRUE(model.type('Z'));
    EXPECT_EQ(flash.data()[0x10], 'Z');
    EXPECT_EQ(model.cursor(), 0x11);
    EXPECT_TRUE(model.rightClick());
    EXPECT_FALSE(model.type('Y'));
}

TEST_F(PreviewModelTest, CharactersAreShownAndTypedInTheLanguagesCodePage)
{
    fill(0x100);
    EXPECT_EQ(model.glyphAt(0x00), U'\0'); // nothing drawn
    EXPECT_EQ(model.glyphAt(0x01), U'\u263A');
    EXPECT_EQ(model.glyphAt(0x7F), U'\u2302');
    EXPECT_EQ(model.glyphAt(0x80), U'\u00C7');
    ASSERT_TRUE(model.leftClick(charX(0), lineY(0)));
    EXPECT_TRUE(model.type(U'\u00E9'));
    EXPECT_EQ(flash.data()[0], 0x82);
    EXPECT_FALSE(model.type(U'\u0416')); // no Cyrillic in 437
    EXPECT_FALSE(model.type(U'\u20AC'));
    EXPECT_EQ(model.cursor(), 1);
    EXPECT_TRUE(model.type(U'\u263A'));
    EXPECT_EQ(flash.data()[1], 0x01);
    // Enter, Tab, Backspace and Escape store their own codes.
    for (char32_t control : {U'\r', U'\t', U'\b', U'\x1B'})
        EXPECT_TRUE(model.type(control));
    EXPECT_EQ(contentsOf(flash)[2], 0x0D);
    EXPECT_EQ(contentsOf(flash)[3], 0x09);
    EXPECT_EQ(contentsOf(flash)[4], 0x08);
    EXPECT_EQ(contentsOf(flash)[5], 0x1B);

    setRussianUi(true);
    model.snapshot();
    EXPECT_EQ(model.codePage(), CodePage::Oem866);
    EXPECT_EQ(model.glyphAt(0x80), U'\u0410');
    EXPECT_EQ(model.glyphAt(0x9F), U'\u042F');
    EXPECT_TRUE(model.type(U'\u0416'));
    EXPECT_EQ(flash.data()[6], 0x86);
    EXPECT_FALSE(model.type(U'\u00E9'));
    // Hex mode takes no control codes.
    ASSERT_TRUE(model.leftClick(hexX(0), lineY(1)));
    EXPECT_FALSE(model.type(U'\t'));
}

TEST_F(PreviewModelTest, ArrowKeysMoveTheEditCursorIntoView)
{
    // 32 lines, 8 in view.
    fill(0x200);
    EXPECT_FALSE(model.moveCursor(1)); // not editing
    ASSERT_TRUE(model.leftClick(hexX(3), lineY(0)));
    EXPECT_TRUE(model.type('1'));
    EXPECT_TRUE(model.moveCursor(1));
    EXPECT_EQ(model.cursor(), 4);
    EXPECT_EQ(model.editMode(), PreviewModel::EditMode::HexHigh); // a new byte starts at its high digit
    EXPECT_EQ(flash.data()[3], 0x13);
    EXPECT_FALSE(model.moveCursor(-16));
    EXPECT_EQ(model.cursor(), 4);
    EXPECT_TRUE(model.moveCursor(8 * 16));
    EXPECT_EQ(model.firstLine(), 1);
    EXPECT_TRUE(model.shown(model.cursor()));
    EXPECT_FALSE(model.moveCursor(0x200));
    model.scrollTo(20);
    EXPECT_TRUE(model.moveCursor(-1));
    EXPECT_EQ(model.firstLine(), 8);

    // Typing past the last line in view takes the view along.
    model.scrollTo(0);
    ASSERT_TRUE(model.leftClick(charX(15), lineY(7)));
    EXPECT_TRUE(model.type('x'));
    EXPECT_EQ(model.cursor(), 8 * 16);
    EXPECT_EQ(model.firstLine(), 1);
}

TEST_F(PreviewModelTest, ToolTipsNameTheByteAndItsState)
{
    fill(0x20);
    flash.byteState()[0x13] = ByteVerified;
    flash.byteState()[0x12] = ByteRead;
    model.setSwapPairs(true);
    model.snapshot();
    // Display byte 0x12 shows buffer byte 0x13.
    EXPECT_EQ(model.describeAt(hexX(2), lineY(1)), "Address 00013: 13, verified: equal to the chip");
    EXPECT_EQ(model.describeAt(charX(3), lineY(1)), "Address 00012: 12, read from the chip");
    EXPECT_EQ(model.describeAt(hexX(0), lineY(2)), "");
    EXPECT_EQ(model.describeAt(hexX(0), h / 2), "");
    setRussianUi(true);
    EXPECT_EQ(model.describeAt(hexX(2), lineY(1)), "Адрес 00013: 13, проверен: совпадает с микросхемой");
}

TEST_F(PreviewModelTest, BytesDrawBlackWhileTheirBufferIsBusy)
{
    fill(0x20);
    flash.byteState()[2] = ByteProgrammed;
    model.snapshot();
    EXPECT_EQ(model.colourAt(2).blue, 0xFF);
    flash.setBusy(true);
    model.snapshot();
    EXPECT_EQ(model.colourAt(2).blue, 0x00);
    flash.setBusy(false);
    model.snapshot();
    EXPECT_EQ(model.colourAt(2).blue, 0xFF);
}

} // namespace
} // namespace quorva::test

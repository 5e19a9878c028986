#include "window_fixture.h"

#include "base/messages.h"
#include "gui/preview_view.h"
#include "screenshots.h"
#include "shell/window_ids.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>

#include <fstream>

namespace quorva::test {
namespace {

class PreviewViewTest : public WindowFixture {
protected:
    // Shows the window on the screen of that size, a Flash file loaded, and
    // checks that all of it is on the screen with the previews' lines and width.
    void showOnSmallScreen(QSize size)
    {
        QScreen* screen = nullptr;
        for (QScreen* candidate : QGuiApplication::screens())
            if (candidate->size() == size)
                screen = candidate;
        ASSERT_NE(screen, nullptr);
        window.setScreen(screen);
        window.move(screen->geometry().topLeft());
        startUp();
        dropFiles({QString::fromStdString(writeHex("board.hex", 512))}, *window.flashFrame());
        EXPECT_TRUE(screen->availableGeometry().contains(window.frameGeometry())) << window.frameGeometry().width();
        EXPECT_EQ(window.flashPreview()->lineHeight(), window.eepromPreview()->lineHeight());
        for (gui::PreviewView* view : {window.flashPreview(), window.eepromPreview()}) {
            EXPECT_GE(view->model().visibleLines(), view == window.flashPreview() ? 12 : 7);
            EXPECT_GE(view->viewport()->width(), view->model().naturalWidth());
        }
    }
};

// The centre of the hex or character cell of column k on a line of the view.
QPoint hexCell(gui::PreviewView& view, int k, int line)
{
    const int h = view.model().cellHeight();
    return {view.model().hexCellRight(k) - view.model().cellWidth(), (line + 1) * h + 2 + h / 2};
}

QPoint charCell(gui::PreviewView& view, int k, int line)
{
    const int h = view.model().cellHeight();
    return {view.model().charCellRight(k) - view.model().cellWidth() / 2, (line + 1) * h + 2 + h / 2};
}

TEST_F(PreviewViewTest, ClicksSelectTheByteUnderThePointerAtAnyFontSize)
{
    startUp();
    dropFiles({QString::fromStdString(writeHex("board.hex", 256))}, *window.flashFrame());
    gui::PreviewView& view = *window.flashPreview();
    for (int lineHeight : {15, 24}) {
        view.setLineHeight(lineHeight);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, hexCell(view, 5, 2));
        EXPECT_EQ(view.model().cursor(), 2 * 16 + 5) << lineHeight;
        EXPECT_EQ(view.model().editMode(), PreviewModel::EditMode::HexHigh);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, charCell(view, 9, 1));
        EXPECT_EQ(view.model().cursor(), 16 + 9) << lineHeight;
        EXPECT_EQ(view.model().editMode(), PreviewModel::EditMode::Character);
    }
    view.setLineHeight(15);
}

TEST_F(PreviewViewTest, TypingEditsTheBufferAndMarksItsLabel)
{
    startUp();
    const std::string hex = writeHex("board.hex", 64);
    dropFiles({QString::fromStdString(hex)}, *window.eepromFrame());
    gui::PreviewView& view = *window.eepromPreview();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, hexCell(view, 0, 0));
    QTest::keyClicks(&view, "5a");
    EXPECT_EQ(controller.eeprom().data()[0], 0x5A);
    EXPECT_EQ(control<QLabel>(control::EepromLabel)->text().toStdString(), hex + "*");

    // The arrow keys move the edit cursor, Enter, Tab, Backspace and Escape
    // type their codes in character mode, and Tab keeps the focus there.
    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_Left);
    EXPECT_EQ(view.model().cursor(), 16);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, charCell(view, 0, 2));
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Tab, Qt::Key_Backspace, Qt::Key_Escape})
        QTest::keyClick(&view, key);
    EXPECT_TRUE(view.hasFocus());
    const auto bytes = controller.eeprom().data();
    EXPECT_EQ(std::vector<int>(bytes.begin() + 32, bytes.begin() + 36), (std::vector<int>{0x0D, 0x09, 0x08, 0x1B}));
    // A Cyrillic letter types in the Russian window only.
    QKeyEvent letter(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("\u0416"));
    QApplication::sendEvent(&view, &letter);
    EXPECT_EQ(view.model().cursor(), 36);
    setRussianUi(true);
    window.render();
    QApplication::sendEvent(&view, &letter);
    EXPECT_EQ(bytes[36], 0x86);

    // Outside editing the arrow keys scroll again.
    QTest::mouseClick(view.viewport(), Qt::RightButton);
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(view.model().cursor(), 37);
}

TEST_F(PreviewViewTest, ToolTipsTellTheNearAlikeStatesApart)
{
    startUp();
    dropFiles({QString::fromStdString(writeHex("board.hex", 64))}, *window.flashFrame());
    MemoryBuffer& flash = controller.flash();
    flash.byteState()[0] = ByteVerified;
    flash.byteState()[1] = ByteRead;
    gui::PreviewView& view = *window.flashPreview();
    view.refresh();
    auto tipAt = [&view](QPoint at) {
        QHelpEvent help(QEvent::ToolTip, at, view.viewport()->mapToGlobal(at));
        QApplication::sendEvent(view.viewport(), &help);
        return QToolTip::text().toStdString();
    };
    EXPECT_EQ(tipAt(hexCell(view, 0, 0)), "Address 00000: 00, verified: equal to the chip");
    EXPECT_EQ(tipAt(charCell(view, 1, 0)), "Address 00001: 07, read from the chip");
    setRussianUi(true);
    EXPECT_EQ(tipAt(hexCell(view, 2, 0)), "Адрес 00002: 0E, загружен из файла");
    tipAt(hexCell(view, 0, 6)); // below the last byte: the tip goes
    for (int i = 0; i < 100 && QToolTip::isVisible(); ++i)
        QTest::qWait(10);
    EXPECT_FALSE(QToolTip::isVisible());
}

TEST_F(PreviewViewTest, WheelAndPageDownScrollAndTheFrameShowsTheFocus)
{
    startUp();
    dropFiles({QString::fromStdString(writeHex("big.hex", 8192))}, *window.flashFrame());
    dropFiles({QString::fromStdString(writeHex("big.eep", 8192))}, *window.eepromFrame());
    gui::PreviewView& view = *window.flashPreview();
    QScrollBar* bar = view.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 40);
    QWheelEvent down(QPointF(50, 50), view.mapToGlobal(QPointF(50, 50)), {}, QPoint(0, -120), Qt::NoButton, {},
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &down);
    EXPECT_EQ(view.model().firstLine(), 3);

    // A page, by key or by a click in the trough, leaves the last line in view on top.
    gui::PreviewView& eeprom = *window.eepromPreview();
    ASSERT_EQ(eeprom.model().visibleLines(), 7);
    eeprom.setFocus();
    QTest::keyClick(&eeprom, Qt::Key_PageDown);
    EXPECT_EQ(eeprom.model().firstLine(), 6);
    QTest::keyClick(&eeprom, Qt::Key_PageUp);
    EXPECT_EQ(eeprom.model().firstLine(), 0);
    QScrollBar* eepromBar = eeprom.verticalScrollBar();
    QTest::mouseClick(eepromBar, Qt::LeftButton, {}, QPoint(eepromBar->width() / 2, eepromBar->height() * 3 / 4));
    EXPECT_EQ(eeprom.model().firstLine(), 6);
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_PageDown);
    EXPECT_EQ(view.model().firstLine(), 3 + view.model().visibleLines() - 1);
    QTest::keyClick(&view, Qt::Key_End);
    EXPECT_EQ(view.model().firstLine(), bar->maximum());

    // The frame is 3 pixels with the focus and 1 without.
    auto frameAt = [&view](int x) { return QColor(view.viewport()->grab().toImage().pixel(x, 40)); };
    ASSERT_TRUE(view.hasFocus());
    EXPECT_EQ(frameAt(2), QColor(Qt::black));
    window.eepromPreview()->setFocus();
    EXPECT_NE(frameAt(2), QColor(Qt::black));
    EXPECT_EQ(frameAt(0), QColor(Qt::black));
}

TEST_F(PreviewViewTest, ScreenshotsOfEveryByteState)
{
    startUp();
    box.chip().setInstantWrites(true);
    dropFiles({QString::fromStdString(writeHex("board.hex", 256))}, *window.flashFrame());
    dropFiles({QString::fromStdString(writeHex("data.eep", 48))}, *window.eepromFrame());
    click(cmd::ProgramEeprom);
    // Loaded, programmed, verified, a verify difference and edits side by side.
    MemoryBuffer& flash = controller.flash();
    for (int i = 0; i < 256; ++i)
        flash.byteState()[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(std::min(i / 28, 6));
    window.render();
    gui::PreviewView& view = *window.flashPreview();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, hexCell(view, 3, 4));
    QTest::keyClicks(&view, "C");
    EXPECT_EQ(flash.byteState()[4 * 16 + 3], ByteEdited);
    saveScreenshot(*window.flashFrame(), "preview-flash");
    saveScreenshot(*window.eepromFrame(), "preview-eeprom");
}

TEST_F(PreviewViewTest, LongBuffersShowTheirSixDigitAddresses)
{
    startUp();
    const std::string path = folder.file("large.bin");
    {
        std::ofstream file(path, std::ios::binary);
        for (int i = 0; i < 0x180000; ++i)
            file.put(static_cast<char>(i & 0xFF));
    }
    dropFiles({QString::fromStdString(path)}, *window.flashFrame());
    gui::PreviewView& view = *window.flashPreview();
    view.setFocus(); // the thick frame must not cover the first digit either
    QTest::keyClick(&view, Qt::Key_End);
    const int last = view.model().firstLine() + view.model().visibleLines() - 1;
    ASSERT_EQ(PreviewModel::addressText(last), "17FFF0");

    // Ink of the last address: its first digit lies left of where five digits
    // would begin, and clear of the frame.
    const QImage image = view.viewport()->grab().toImage();
    const int h = view.model().cellHeight();
    const QFontMetrics metrics(view.cellFont());
    const int top = (last - view.model().firstLine() + 1) * h + 2;
    int leftmost = image.width();
    for (int y = top; y < top + h - 3; ++y) // above the frame's bottom edge
        for (int x = 3; x < view.model().addressWidth(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                leftmost = std::min(leftmost, x);
    EXPECT_GT(leftmost, 4);
    EXPECT_LT(leftmost, view.model().addressWidth() - metrics.horizontalAdvance(QStringLiteral("7FFF0")));
    saveScreenshot(*window.flashFrame(), "preview-long-buffer-en");
    setRussianUi(true);
    window.render();
    saveScreenshot(window, "preview-long-buffer-ru");
}

TEST_F(PreviewViewTest, CharactersShowTheOemCodePageOfTheLanguage)
{
    startUp();
    const std::string path = folder.file("all.bin");
    {
        std::ofstream file(path, std::ios::binary);
        for (int i = 0; i < 256; ++i)
            file.put(static_cast<char>(i));
    }
    dropFiles({QString::fromStdString(path)}, *window.flashFrame());
    gui::PreviewView& view = *window.flashPreview();
    // The offscreen font draws every glyph of both code pages itself.
    EXPECT_EQ(QFontInfo(view.cellFont()).family(), QStringLiteral("DejaVu Sans Mono"));
    const QFontMetrics metrics(view.cellFont());
    for (CodePage page : {CodePage::Oem437, CodePage::Oem866})
        for (int byte = 1; byte < 256; ++byte)
            EXPECT_TRUE(metrics.inFontUcs4(codePageGlyph(page, static_cast<std::uint8_t>(byte)))) << byte;
    EXPECT_EQ(view.model().codePage(), CodePage::Oem437);
    window.resize(window.width(), window.height() + 6 * view.model().cellHeight()); // all 16 lines
    QApplication::processEvents();
    saveScreenshot(*window.flashFrame(), "preview-cp437-en");
    setRussianUi(true);
    window.render();
    EXPECT_EQ(view.model().codePage(), CodePage::Oem866);
    saveScreenshot(*window.flashFrame(), "preview-cp866-ru");
}

TEST_F(PreviewViewTest, TheWindowFitsA1024x768Screen)
{
    showOnSmallScreen({1024, 768});
    EXPECT_EQ(window.flashPreview()->lineHeight(), 15); // room enough for the usual line
    saveScreenshot(window, "main-window-1024x768-en");
    setRussianUi(true);
    window.render();
    saveScreenshot(window, "main-window-1024x768-ru");
}

TEST_F(PreviewViewTest, OnAnEvenSmallerScreenThePreviewsTakeASmallerLine)
{
    showOnSmallScreen({800, 600});
    EXPECT_LT(window.flashPreview()->lineHeight(), 15);
    saveScreenshot(window, "main-window-800x600-en");
}

} // namespace
} // namespace quorva::test

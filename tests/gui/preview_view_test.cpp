#include "window_fixture.h"

#include "gui/preview_view.h"
#include "screenshots.h"
#include "shell/window_ids.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

namespace quorva::test {
namespace {

using PreviewViewTest = WindowFixture;

QPoint cellCentre(gui::PreviewView& view, int x0, int line)
{
    const int c = view.model().cellWidth();
    const int h = view.model().cellHeight();
    return {x0 + c / 2, (line + 1) * h + 2 + h / 2};
}

TEST_F(PreviewViewTest, ClicksSelectTheByteUnderThePointerAtAnyFontSize)
{
    startUp();
    dropFiles({QString::fromStdString(writeHex("board.hex", 256))}, *window.flashFrame());
    gui::PreviewView& view = *window.flashPreview();
    for (int lineHeight : {15, 24}) {
        view.setLineHeight(lineHeight);
        const int c = view.model().cellWidth();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cellCentre(view, (2 * 5 + 3) * c + 2 + c / 2, 2));
        EXPECT_EQ(view.model().cursor(), 2 * 16 + 5) << lineHeight;
        EXPECT_EQ(view.model().editMode(), PreviewModel::EditMode::HexHigh);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cellCentre(view, (9 + 35) * c + 6, 1));
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
    const int c = view.model().cellWidth();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cellCentre(view, 3 * c + 2 + c / 2, 0));
    QTest::keyClicks(&view, "5a");
    EXPECT_EQ(controller.eeprom().data()[0], 0x5A);
    EXPECT_EQ(control<QLabel>(control::EepromLabel)->text().toStdString(), hex + "*");
}

TEST_F(PreviewViewTest, WheelAndPageDownScrollAndTheFrameShowsTheFocus)
{
    startUp();
    dropFiles({QString::fromStdString(writeHex("big.hex", 8192))}, *window.flashFrame());
    gui::PreviewView& view = *window.flashPreview();
    QScrollBar* bar = view.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 40);
    QWheelEvent down(QPointF(50, 50), view.mapToGlobal(QPointF(50, 50)), {}, QPoint(0, -120), Qt::NoButton, {},
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &down);
    EXPECT_EQ(view.model().firstLine(), 3);
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_PageDown);
    EXPECT_EQ(view.model().firstLine(), 19);
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
    const int c = view.model().cellWidth();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cellCentre(view, (2 * 3 + 3) * c + 2 + c / 2, 4));
    QTest::keyClicks(&view, "C");
    EXPECT_EQ(flash.byteState()[4 * 16 + 3], ByteEdited);
    saveScreenshot(*window.flashFrame(), "preview-flash");
    saveScreenshot(*window.eepromFrame(), "preview-eeprom");
}

} // namespace
} // namespace quorva::test

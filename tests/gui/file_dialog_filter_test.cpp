#include "gui/file_dialog_filter.h"

#include "data/file_choosers.h"

#include <gtest/gtest.h>

namespace quorva::gui {
namespace {

TEST(FileDialogFilterTest, ChooserFiltersBecomeQtNameFilters)
{
    // Capitals match too, and "All Files" also shows names without a dot.
    EXPECT_EQ(qtNameFilters(kFlashOpenFilter), "HEX Files (*.hex *.HEX);;BIN Files (*.bin *.BIN);;All Files (*)");
    EXPECT_EQ(qtNameFilters("Intel HEX (*.hex)|*.hex;*.eep|"), "Intel HEX (*.hex *.HEX *.eep *.EEP)");
    EXPECT_EQ(qtNameFilters(""), "");
}

} // namespace
} // namespace quorva::gui

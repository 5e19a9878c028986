// AT26 serial Flash: page programming with busy polling, block reads.

#include "ops_rig.h"

#include "operations/program_data.h"
#include "serial_flash_chip.h"

namespace quorva::test {
namespace {

using sim::SerialFlashChip;

// A serial Flash whose status shows it busy for a while after every write
// enable, as a part whose enable got lost in a slow internal cycle might.
class SlowEnableChip final : public sim::Chip {
public:
    explicit SlowEnableChip(std::unique_ptr<sim::Chip> inner) : Chip(inner->part()), inner_(std::move(inner)) {}

    void resetLine(bool high, std::uint64_t nowUs) override
    {
        if (high && selected_ && !instruction_.empty() && instruction_[0] == 0x06)
            busyPolls_ = 11;
        if (!high && !selected_)
            instruction_.clear();
        selected_ = !high;
        inner_->resetLine(high, nowUs);
    }
    std::uint8_t exchange(std::uint8_t mosi, std::uint64_t nowUs) override
    {
        if (selected_)
            instruction_.push_back(mosi);
        std::uint8_t miso = inner_->exchange(mosi, nowUs);
        if (selected_ && instruction_.size() == 2 && instruction_[0] == 0x05 && busyPolls_ > 0) {
            --busyPolls_;
            miso |= 0x01;
        }
        return miso;
    }
    void powerCycle() override { inner_->powerCycle(); }
    bool busyAt(std::uint64_t nowUs) const override { return inner_->busyAt(nowUs); }
    sim::ChipState state() const override { return inner_->state(); }
    bool setState(const sim::ChipState& state, std::string* error) override { return inner_->setState(state, error); }

    SerialFlashChip& flash() { return dynamic_cast<SerialFlashChip&>(*inner_); }

private:
    std::unique_ptr<sim::Chip> inner_;
    std::vector<std::uint8_t> instruction_;
    bool selected_ = false;
    int busyPolls_ = 0;
};

TEST(At26Memory, ProgramsVerifiesReadsAndBlankChecks)
{
    OpsRig rig("AT26F021");
    rig.chip<SerialFlashChip>().setSectorsProtected(false);
    const Bytes image = pattern(600, 6);
    OpsRig::fill(rig.flash, image);
    rig.commands.programFlash();
    EXPECT_EQ(rig.ui.lastStatus(), "Flash program: Done (600 bytes programmed)");
    const auto& memory = rig.chip<SerialFlashChip>().memory();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), memory.begin()));
    EXPECT_EQ(memory[600], 0xFF);
    // The last page: 88 bytes of the image, padded to the page with 0xFF.
    EXPECT_TRUE(containsRun(rig.sends(), {"30", "01", "04", "02", "00", "02", "00", hexBytes(&image[512], 88),
                                          hexBytes(Bytes(168, 0xFF).data(), 168)}));

    rig.commands.verifyFlash();
    EXPECT_EQ(rig.ui.lastStatus(), formatMessage(1053, 600));
    EXPECT_EQ(rig.ui.callsStartingWith("operation: start").back(), "operation: start | Verify | Verifying Flash");

    rig.commands.readFlash();
    ASSERT_EQ(rig.flash.length(), 262144);
    EXPECT_TRUE(std::equal(memory.begin(), memory.end(), rig.flash.data().begin()));
    EXPECT_TRUE(containsRun(rig.sends(), {"30", "00", "05", "0B", "00", "00", "00", "00"}));

    // The serial Flash's own read sees what the AVR commands never reach.
    rig.commands.blankCheck();
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1115));
    EXPECT_EQ(rig.context.lastResult, 1);
    rig.expectNoViolations();

    OpsRig erased("AT26F021");
    erased.commands.blankCheck();
    EXPECT_EQ(erased.ui.lastStatus(), messageText(1119));
    EXPECT_EQ(countRuns(erased.sends(), {"31", "02", "00"}), 512u);
    EXPECT_TRUE(erased.sendsStartingWith("7D").empty());
}

TEST(At26Memory, AChipFreshFromPowerUpIsUnprotectedBeforeItsPagesAreWritten)
{
    OpsRig rig("AT26F021"); // every sector protected, as after power-up
    const Bytes image = pattern(600, 3);
    OpsRig::fill(rig.flash, image);
    rig.commands.programFlash();
    EXPECT_EQ(rig.ui.lastStatus(), "Flash program: Done (600 bytes programmed)");
    rig.commands.verifyFlash();
    EXPECT_EQ(rig.ui.lastStatus(), formatMessage(1053, 600));
    EXPECT_TRUE(std::equal(image.begin(), image.end(), rig.chip<SerialFlashChip>().memory().begin()));

    // Write enable, then status register 0, before the first page.
    const auto sends = rig.sends();
    const auto at = [&sends](const std::string& send) {
        return std::find(sends.begin(), sends.end(), send) - sends.begin();
    };
    const auto firstPage = at("30");
    EXPECT_LT(at("36 06"), at("36 01"));
    ASSERT_LT(at("36 01"), firstPage);
    EXPECT_EQ(sends[static_cast<std::size_t>(at("36 01")) + 1], "36 00");
    rig.expectNoViolations();
}

TEST(At26Memory, TheSignatureCheckReadsTheIdentification)
{
    OpsRig rig("AT26F021");
    rig.chip<SerialFlashChip>().setSectorsProtected(false);
    rig.project.checkSign = true;
    OpsRig::fill(rig.flash, pattern(10));
    rig.commands.programFlash();
    EXPECT_TRUE(rig.ui.callsStartingWith("ask: ").empty());
    EXPECT_TRUE(containsRun(rig.sends(), {"36 9F", "37", "37", "37", "37"}));
    EXPECT_TRUE(rig.sendsStartingWith("35 30").empty());
    EXPECT_EQ(rig.context.lastSignature, (std::array<int, 3>{0x1F, 0x43, 0x00}));
    EXPECT_EQ(rig.context.lastResult, 0);
}

TEST(At26Memory, AChipThatStaysBusyFailsAfterThePageDelayOrOnCancel)
{
    OpsRig rig("AT26F021");
    rig.chip<SerialFlashChip>().setSectorsProtected(false);
    rig.chip<SerialFlashChip>().setBusyPolls(1 << 30);
    OpsRig::fill(rig.flash, pattern(512));
    rig.connect();
    KX1ProgramData op(rig.setup(), rig.flash, true);
    EXPECT_EQ(rig.ui.runOperation(op), Operation::kPollingError);
    // The device's 5 ms of 1 ms polls after the 100 ms settling wait, then it gives up.
    EXPECT_GE(rig.clock.totalSleptMs(), 105u);
    EXPECT_LT(rig.clock.totalSleptMs(), 110u);

    // With fixed waits it allows two seconds, as before.
    OpsRig fixed("AT26F021");
    fixed.settings.fixedWaits = true;
    fixed.chip<SerialFlashChip>().setSectorsProtected(false);
    fixed.chip<SerialFlashChip>().setBusyPolls(1 << 30);
    OpsRig::fill(fixed.flash, pattern(512));
    fixed.connect();
    KX1ProgramData slow(fixed.setup(), fixed.flash, true);
    EXPECT_EQ(fixed.ui.runOperation(slow), Operation::kPollingError);
    EXPECT_GE(fixed.clock.totalSleptMs(), 2100u);
    EXPECT_LT(fixed.clock.totalSleptMs(), 2200u);

    OpsRig cancelled("AT26F021");
    cancelled.chip<SerialFlashChip>().setSectorsProtected(false);
    cancelled.chip<SerialFlashChip>().setBusyPolls(1 << 30);
    OpsRig::fill(cancelled.flash, pattern(512));
    cancelled.ui.cancelAtPercent(-1);
    cancelled.commands.programFlash();
    EXPECT_EQ(cancelled.ui.lastStatus(), messageText(1083));
    EXPECT_LT(cancelled.clock.totalSleptMs(), 1000u);
}

TEST(At26Memory, RewritesAPageAfterASlowWriteEnableButNotForever)
{
    auto chip = std::make_unique<SlowEnableChip>(sim::makeChip(*sim::findChip("AT26F021")));
    SlowEnableChip* slow = chip.get();
    slow->flash().setSectorsProtected(false);
    OpsRig rig("AT26F021", std::move(chip), instantBox());
    const Bytes image = pattern(512, 1);
    OpsRig::fill(rig.flash, image);
    rig.connect();
    KX1ProgramData op(rig.setup(), rig.flash, true);
    EXPECT_EQ(rig.ui.runOperation(op), ChipOperation::kNoReply);
    // Page 0 once and three times again; page 1 never gets its turn.
    EXPECT_EQ(countRuns(rig.sends(), {"30", "01", "04", "02", "00", "00", "00"}), 4u);
    EXPECT_EQ(countRuns(rig.sends(), {"30", "01", "04", "02", "00", "01", "00"}), 0u);
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 256, slow->flash().memory().begin()));
}

TEST(At26Memory, AReadThatLosesTheLineFails)
{
    sim::BoxOptions options = instantBox();
    options.faults.silentAfter = 12;
    OpsRig rig("AT26F021", options);
    rig.commands.readFlash();
    EXPECT_EQ(rig.boxes(), (std::vector<std::string>{infoBox(1087), infoBox(1026)}));
    EXPECT_EQ(rig.ui.lastStatus(), formatMessage(2220, messageText(1088)));
    EXPECT_EQ(rig.context.lastResult, -1);
    EXPECT_FALSE(rig.flash.hasData());
}

} // namespace
} // namespace quorva::test

// A write waits as long as the chip needs, asked through its own busy
// signal, with the device table's delay as the longest wait allowed: for
// every way of writing a chip, against chips with their data-sheet write
// times, slower ones, and ones that never finish.

#include "ops_rig.h"

#include "serial_flash_chip.h"

namespace quorva::test {
namespace {

struct Writer {
    const char* device;
    bool flash;              // Program Flash, else Program Eeprom
    int boundMs;             // the longest write the table allows for
    unsigned slowdown;       // makes the simulated write take longer than that
    bool hadFixedWait;       // the fixed waits are longer than the chip's write
    const char* poll;        // the send that asks the chip
    std::size_t pollsBefore; // of those, sent before the first write
};

// Simulated writes: ATmega328P page 4.5 ms and Eeprom byte 3.6 ms, AT89S51
// byte 1 ms, AT25256 page 5 ms, AT26DF081A page 1.5 ms, AT45DB161D page 3 ms.
// The recording clock sees only the program's own waits, not the line's
// time, which the chip sees: the slowdowns leave room for that, most for
// the AT45, whose status reads run at 19200 baud.
const Writer kWriters[] = {
    {"ATmega328P", true, 15, 4, true, "35 F0 00 00", 0}, // Poll RDY/BSY, the page delay
    {"ATmega328P", false, 9, 4, true, "35 F0 00 00", 0}, // the Eeprom write timing 192
    {"AT89S51", true, 12, 20, true, "35 20 00 00", 0},   // data polling
    {"AT25256", false, 10, 4, false, "05", 0},           // the status register
    {"AT26DF081A", true, 5, 8, false, "36 05", 2},       // the status register, the page delay
    {"AT45DB161D", true, 40, 100, true, "36 D7", 1},     // the status register, the page delay
};

std::string nameOf(const Writer& w)
{
    return std::string(w.device) + (w.flash ? " Flash" : " Eeprom");
}

// Runs Program Flash or Program Eeprom of image on a fast line; the time it
// took as the box saw it.
std::uint64_t program(OpsRig& rig, const Writer& w, const Bytes& image, bool fixedWaits = false)
{
    rig.settings.highSpeed = 2;
    rig.settings.fixedWaits = fixedWaits;
    if (auto* flash = dynamic_cast<sim::SerialFlashChip*>(&rig.box.chip()))
        flash->setSectorsProtected(false);
    OpsRig::fill(w.flash ? rig.flash : rig.eeprom, image);
    const std::uint64_t started = rig.box.nowUs();
    if (w.flash)
        rig.commands.programFlash();
    else
        rig.commands.programEeprom();
    return rig.box.nowUs() - started;
}

sim::BoxOptions faulty(bool neverReady, unsigned slowdown = 1)
{
    sim::BoxOptions options;
    options.faults.neverReady = neverReady;
    options.faults.slowChip = slowdown;
    return options;
}

TEST(WriteWait, ProgramThenVerifyWaitsOnlyForTheChip)
{
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(nameOf(w));
        const Bytes image = pattern(600, 5);
        std::uint64_t took[2] = {};
        for (const bool fixedWaits : {false, true}) {
            OpsRig rig(w.device, sim::BoxOptions{});
            took[fixedWaits ? 1 : 0] = program(rig, w, image, fixedWaits);
            EXPECT_EQ(rig.context.lastResult, 0) << rig.ui.lastStatus();
            if (w.flash)
                rig.commands.verifyFlash();
            else
                rig.commands.verifyEeprom();
            EXPECT_TRUE(w.flash ? rig.context.flashVerifyOk : rig.context.eepromVerifyOk) << rig.ui.lastStatus();
            rig.expectNoViolations();
        }
        if (w.hadFixedWait)
            EXPECT_LT(took[0], took[1]);
        else
            EXPECT_EQ(took[0], took[1]);
    }
}

TEST(WriteWait, AChipSlowerThanTheTableIsAPollingErrorNotASuccess)
{
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(nameOf(w));
        OpsRig rig(w.device, faulty(false, w.slowdown));
        program(rig, w, pattern(600, 5));
        EXPECT_EQ(rig.ui.lastStatus(), messageText(1164));
        EXPECT_EQ(countOf(rig.boxes(), infoBox(1164)), 1u);
        EXPECT_EQ(rig.context.lastResult, -1);
        rig.expectNoViolations();
    }
}

TEST(WriteWait, AChipThatNeverGetsReadyFailsWithinTheTablesBound)
{
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(nameOf(w));
        OpsRig stuck(w.device, faulty(true));
        program(stuck, w, {0x5A});
        EXPECT_EQ(stuck.ui.lastStatus(), messageText(1164));
        // A poll right after the write and one after each millisecond of
        // the bound, then it gives up.
        EXPECT_EQ(countOf(stuck.sends(), w.poll) - w.pollsBefore, static_cast<std::size_t>(w.boundMs) + 1);
        EXPECT_GE(stuck.clock.totalSleptMs(), static_cast<std::uint64_t>(w.boundMs));
        stuck.expectNoViolations();
    }
}

TEST(WriteWait, PartsWithoutPollRdyBsyKeepTheBoxsFixedWait)
{
    for (const char* device : {"AT86RF401", "AT89S8253"}) {
        SCOPED_TRACE(device);
        OpsRig rig(device, sim::BoxOptions{});
        rig.settings.highSpeed = 2;
        const Bytes image = pattern(300, 9);
        OpsRig::fill(rig.flash, image);
        OpsRig::fill(rig.eeprom, Bytes(image.begin(), image.begin() + 100));
        rig.commands.programFlash();
        rig.commands.programEeprom();
        rig.commands.verifyFlash();
        EXPECT_TRUE(rig.context.flashVerifyOk) << rig.ui.lastStatus();
        rig.commands.verifyEeprom();
        EXPECT_TRUE(rig.context.eepromVerifyOk) << rig.ui.lastStatus();
        EXPECT_TRUE(rig.sendsStartingWith("35 F0").empty());
        rig.expectNoViolations();
    }
}

} // namespace
} // namespace quorva::test

#include <initializer_list>
#include <string_view>

#include "catalogue/fuse_layout.h"

namespace quorva {
namespace {

constexpr Instruction kAvrLockWrite{0xAC, 0xFF, 0xFF, 0xFF};
constexpr ReadInstruction kAvrLockRead{0x58, 0x00, 0x00};
constexpr std::array<Instruction, kFuseBytes> kAvrFuseWrite{{
    {0xAC, 0xA0, 0xFF, 0xFF},
    {0xAC, 0xA8, 0xFF, 0xFF},
    {0xAC, 0xA4, 0xFF, 0xFF},
}};
constexpr std::array<ReadInstruction, kFuseBytes> kAvrFuseRead{{
    {0x50, 0x00, 0x00},
    {0x58, 0x08, 0x00},
    {0x50, 0x08, 0x00},
}};

enum class BootLock { No, Yes };

constexpr void setNames(FuseLayout& layout, std::initializer_list<const char*> names)
{
    int k = 0;
    for (const char* name : names)
        layout.fuseBitName[static_cast<std::size_t>(k++)] = name;
    layout.fuseBitCount = k;
}

constexpr void setWarning(FuseLayout& layout, std::string_view name, int warningClass)
{
    for (int k = 0; k < layout.fuseBitCount; ++k)
        if (name == layout.fuseBitName[static_cast<std::size_t>(k)])
            layout.fuseWarning[static_cast<std::size_t>(k)] = warningClass;
}

// The AVR serial-programming layout: lock byte AC FF FF FF with LB1/LB2 at
// bits 0/1 and the boot-lock bits at 2..5; fuse byte j carries fuse bits
// 8j..8j+7 at bit k mod 8, written and read by the j-th fuse instruction.
constexpr FuseLayout avrLayout(std::initializer_list<const char*> names, int bytes, BootLock bootLock)
{
    FuseLayout layout;
    layout.lockWrite = kAvrLockWrite;
    layout.lockWriteMap[0] = {3, 0};
    layout.lockWriteMap[1] = {3, 1};
    layout.lockReadPresent = 1;
    layout.lockRead = kAvrLockRead;
    layout.lockReadBit = {0, 1, -1};
    layout.fuseReadPresent = 1;
    setNames(layout, names);
    for (int j = 0; j < bytes; ++j) {
        const auto uj = static_cast<std::size_t>(j);
        layout.fuseWritePresent[uj] = 1;
        layout.fuseWrite[uj] = kAvrFuseWrite[uj];
        layout.fuseRead[uj] = kAvrFuseRead[uj];
    }
    for (int k = 0; k < layout.fuseBitCount; ++k) {
        const int j = k / 8;
        if (j >= bytes)
            continue;   // no instruction carries it
        const auto uj = static_cast<std::size_t>(j);
        const auto uk = static_cast<std::size_t>(k);
        layout.fuseWriteMap[uj][uk] = {3, k % 8};
        layout.fuseReadBit[uj][uk] = k % 8;
    }
    if (bootLock == BootLock::Yes) {
        layout.bootLockCount = 4;
        layout.bootLockBit = {2, 3, 4, 5};
        layout.bootLockName = {"BLB01", "BLB02", "BLB11", "BLB12"};
    }
    return layout;
}

// Most AVR layouts warn when SPIEN, which keeps serial programming
// possible, would be unprogrammed.
constexpr FuseLayout guardedAvrLayout(std::initializer_list<const char*> names, int bytes,
                                      BootLock bootLock = BootLock::Yes)
{
    FuseLayout layout = avrLayout(names, bytes, bootLock);
    setWarning(layout, "SPIEN", +1);
    return layout;
}

constexpr FuseLayout at89s5xLayout()
{
    FuseLayout layout;
    layout.lockWrite = {0xAC, 0xE0, 0x00, 0x00};
    layout.lockReadPresent = 1;
    layout.lockRead = {0x24, 0x00, 0x00};
    layout.lockReadBit = {2, 3, 4};
    return layout;
}

constexpr FuseLayout at89s2051Layout()
{
    FuseLayout layout;
    layout.lockWrite = {0xAC, 0xFF, 0xFF, 0x00};
    return layout;
}

constexpr FuseLayout at89s8253Layout()
{
    FuseLayout layout;
    layout.lockWrite = {0xAC, 0xE7, 0xFF, 0xFF};
    layout.lockWriteMap[0] = {1, 2};
    layout.lockWriteMap[1] = {1, 1};
    layout.lockWriteMap[2] = {1, 0};
    layout.lockReadPresent = 1;
    layout.lockRead = {0x24, 0xFF, 0xFF};
    // The lock answer is decoded from its low three bits as a whole, not bit by bit.
    layout.fuseReadPresent = 1;
    setNames(layout, {"SerialPrgEn", "x2 Clock En", "UsrRowPrgEn", "Extern Clock En"});
    layout.fuseWritePresent[0] = 1;
    layout.fuseWrite[0] = {0xAC, 0x1F, 0xFF, 0xFF};
    layout.fuseRead[0] = {0x21, 0xFF, 0xFF};
    for (int k = 0; k < layout.fuseBitCount; ++k) {
        layout.fuseWriteMap[0][static_cast<std::size_t>(k)] = {1, k};
        layout.fuseReadBit[0][static_cast<std::size_t>(k)] = k;
    }
    setWarning(layout, "SerialPrgEn", +1);
    setWarning(layout, "Extern Clock En", -1);
    return layout;
}

constexpr std::array<FuseLayout, kFuseLayoutCount> buildTable()
{
    std::array<FuseLayout, kFuseLayoutCount> table{};   // unused slots stay empty

    // 0: AT25, AT26, AT45 memories; 22: AT86RF401 — nothing to program or read.
    table[1] = at89s5xLayout();
    // The chips' own bit names where a shared layout put others under them
    // (the positions are those of every layout, so stored projects keep
    // their meaning).
    table[2] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOUT", "CKDIV8", "BOOTRST",
                                 "BOOTSZ0", "BOOTSZ1", "EESAVE", "WDTON", "SPIEN", "DWEN", "RSTDISBL", "BODLEVEL0",
                                 "BODLEVEL1", "BODLEVEL2"},
                                3);
    table[3] =
        guardedAvrLayout({"SUT0", "SUT1", "SUT2", "SELFPRGEN", "DWEN", "SPIEN", "EESAVE", "WDTON"}, 1, BootLock::No);
    // The high fuse bits 5..7 are not carried: written 1.
    table[4] = guardedAvrLayout({"OSCSEL0", "OSCSEL1", "SUT0", "SUT1", "SUT2", "SPIEN", "EESAVE", "WDTON", "BOOTRST",
                                 "BOOTSZ0", "BOOTSZ1", "DWEN", "CKDIV"},
                                2);
    table[5] =
        guardedAvrLayout({"CKSEL0",    "CKSEL1",    "CKSEL2",    "CKSEL3",  "SUT0",  "SUT1",   "CKOUT",   "CKDIV8",
                          "BOOTRST",   "BOOTSZ0",   "BOOTSZ1",   "EESAVE",  "WDTON", "SPIEN",  "DWEN",    "RSTDISBL",
                          "BODLEVEL0", "BODLEVEL1", "BODLEVEL2", "PSCINRB", "PSCRV", "PSC0RB", "PSC2RBA", "PSC2RB"},
                         3);
    table[10] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "BODEN", "BODLEVEL",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1", "EESAVE", "CKOPT", "SPIEN", "JTAGEN", "OCDEN",
                                  "WDTON", "M103C"}, 3);
    table[12] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "BODEN", "BODLEVEL",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1", "EESAVE", "CKOPT", "SPIEN", "WDTON", "RSTDISBL"}, 2);
    table[13] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "BODEN", "BODLEVEL",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1", "EESAVE", "CKOPT", "SPIEN", "JTAGEN", "OCDEN"}, 2);
    table[14] = avrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOPT", "PLLCK",
                           "BODEN", "BODLEVEL", "EESAVE", "SPIEN", "RSTDISBL"}, 2, BootLock::No);
    table[16] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "BODEN", "BODLEVEL",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1", "EESAVE", "CKOPT", "SPIEN", "JTAGEN", "OCDEN"}, 2);
    table[17] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "BODEN", "BODLEVEL",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1", "EESAVE", "CKOPT", "SPIEN", "WDTON", "S8515C"}, 2);
    table[18] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "BODEN", "BODLEVEL",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1", "EESAVE", "CKOPT", "SPIEN", "WDTON", "S8535C"}, 2);

    table[19] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOUT", "CKDIV16",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1", "EESAVE", "WDTON", "SPIEN", "JTAGEN", "OCDEN",
                                  "BODLEVEL0", "BODLEVEL1", "BODLEVEL2", "M161C"}, 3);
    // ATmega162's extended fuse byte starts at bit 1.
    for (int k = 16; k < 20; ++k) {
        table[19].fuseWriteMap[2][static_cast<std::size_t>(k)] = {3, k - 15};
        table[19].fuseReadBit[2][static_cast<std::size_t>(k)] = k - 15;
    }

    table[20] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "BODEN", "BODLEVEL",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1", "EESAVE", "CKOPT", "SPIEN", "JTAGEN", "OCDEN",
                                  "WDTON", "M103C"}, 3);
    table[21] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOUT", "CKDIV8",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1", "EESAVE", "WDTON", "SPIEN", "JTAGEN", "OCDEN",
                                  "RSTDISBL", "BODLEVEL0", "BODLEVEL1", "BODLEVEL2"}, 3);
    table[23] = avrLayout({"CKSEL0", "CKSEL1", "SUT0", "SUT1", "CKDIV8", "WDTON", "EESAVE", "SPIEN",
                           "RSTDISBL", "BODLEVEL0", "BODLEVEL1", "DWEN", "SPMEN"}, 2, BootLock::No);
    // 24, 25, 34, 36, 39: chips without a boot section have no boot-lock bits.
    table[24] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOUT", "CKDIV8", "RSTDISBL",
                                  "BODLEVEL0", "BODLEVEL1", "BODLEVEL2", "WDTON", "SPIEN", "EESAVE", "DWEN", "SPMEN"},
                                 3, BootLock::No);
    table[25] =
        guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOUT", "CKDIV8", "BODLEVEL0",
                          "BODLEVEL1", "BODLEVEL2", "EESAVE", "WDTON", "SPIEN", "DWEN", "RSTDISBL", "SELFPRGEN"},
                         3, BootLock::No);

    table[26] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOUT", "CKDIV8",
                                  "BODLEVEL0", "BODLEVEL1", "BODLEVEL2", "EESAVE", "WDTON", "SPIEN", "DWEN", "RSTDISBL",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1"}, 3);
    table[26].fuseWrite[1] = {0xAC, 0xA8, 0x00, 0xFF};

    table[28] = at89s2051Layout();
    table[29] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOUT", "CKDIV8",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1", "EESAVE", "WDTON", "SPIEN", "JTAGEN", "OCDEN",
                                  "TA0SEL", "BODLEVEL0", "BODLEVEL1", "BODLEVEL2"}, 3);
    table[30] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOUT", "CKDIV8",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1", "EESAVE", "WDTON", "SPIEN", "JTAGEN", "OCDEN",
                                  "RSTDISBL", "BODLEVEL0", "BODLEVEL1"}, 3);
    table[31] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOUT", "CKDIV8",
                                  "BODLEVEL0", "BODLEVEL1", "BODLEVEL2", "EESAVE", "WDTON", "SPIEN", "DWEN", "RSTDISBL",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1", kEmptyFuseName, "PSCRV", "PSC0RB", "PSC1RB", "PSC2RB"},
                                 3);
    table[32] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOUT", "CKDIV8",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1", "EESAVE", "WDTON", "SPIEN", "JTAGEN", "OCDEN",
                                  "BODLEVEL0", "BODLEVEL1", "BODLEVEL2"}, 3);
    table[33] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOUT", "CKDIV8",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1", "EESAVE", "WDTON", "SPIEN", "JTAGEN", "OCDEN",
                                  "RSTDISBL", "BODLEVEL0", "BODLEVEL1"}, 3);
    table[34] =
        guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOUT", "CKDIV8", "BODLEVEL0",
                          "BODLEVEL1", "BODLEVEL2", "EESAVE", "WDTON", "SPIEN", "DWEN", "RSTDISBL", "SELFPRGEN"},
                         3, BootLock::No);

    table[35] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOUT", "CKDIV8",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1", "EESAVE", "WDTON", "SPIEN", "JTAGEN", "OCDEN",
                                  "BODLEVEL0", "BODLEVEL1", "BODLEVEL2"}, 3);
    table[35].lockWrite = {0xAC, 0xE0, 0x00, 0xFF};
    table[35].fuseWrite = {{{0xAC, 0xA0, 0x00, 0xFF}, {0xAC, 0xA8, 0x00, 0xFF}, {0xAC, 0xA4, 0x00, 0xFF}}};

    table[36] =
        guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOUT", "CKDIV8", "BODLEVEL0",
                          "BODLEVEL1", "BODLEVEL2", "EESAVE", "WDTON", "SPIEN", "DWEN", "RSTDISBL", "SELFPRGEN"},
                         3, BootLock::No);
    table[37] = at89s8253Layout();
    // Two fuse bytes only: bits 16..23 are shown and stored but no
    // instruction writes them, and they read back unprogrammed.
    table[38] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOUT", "CKDIV8",
                                  "BODLEVEL0", "BODLEVEL1", "BODLEVEL2", "EESAVE", "WDTON", "SPIEN", "DWEN", "RSTDISBL",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1", kEmptyFuseName, "PSCRV", "PSC0RB", "PSC1RB", "PSC2RB"},
                                 2);
    table[39] =
        guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOUT", "CKDIV8", "BODLEVEL0",
                          "BODLEVEL1", "BODLEVEL2", "EESAVE", "WDTON", "SPIEN", "DWEN", "RSTDISBL", "SELFPRGEN"},
                         3, BootLock::No);
    table[40] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOUT", "CKDIV8",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1", "EESAVE", "WDTON", "SPIEN", "RSTDISBL", "DWEN",
                                  "BODLEVEL0", "BODLEVEL1", "BODLEVEL2", "HWBE"}, 3);
    table[41] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOUT", "CKDIV8",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1", "EESAVE", "WDTON", "SPIEN", "DWEN", "RSTDISBL",
                                  "BODLEVEL0", "BODLEVEL1", "BODLEVEL2", "PSCRVB", "PSCRVA", "PSCRB"}, 3);
    table[42] = guardedAvrLayout({"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3", "SUT0", "SUT1", "CKOUT", "CKDIV8",
                                  "BOOTRST", "BOOTSZ0", "BOOTSZ1", "EESAVE", "WDTON", "SPIEN", "JTAGEN", "OCDEN",
                                  "BODLEVEL0", "BODLEVEL1", "BODLEVEL2", "HWBE"}, 3);
    return table;
}

} // namespace

// constinit: built at compile time, so nothing can throw at start-up.
constinit const std::array<FuseLayout, kFuseLayoutCount> fuseLayoutTable = buildTable(); // NOLINT(cert-err58-cpp)

} // namespace quorva

#include "part_info.h"

#include <algorithm>
#include <cctype>

namespace quorva::sim {
namespace {

using Sig = std::array<std::uint8_t, 3>;

struct Fuses {
    std::uint8_t count;
    std::array<std::uint8_t, 3> mask;
    std::array<std::uint8_t, 3> defaults;
    std::int8_t eesaveFuse = 1;
    std::uint8_t eesaveBit = 3;
};

// Low and high fuse, EESAVE at high bit 3 (ATmega8 generation).
Fuses two(std::uint8_t low, std::uint8_t high)
{
    return {2, {0xFF, 0xFF, 0x00}, {low, high, 0xFF}};
}

// Low, high and extended fuse; extMask says which extended bits exist.
Fuses three(std::uint8_t extMask, std::uint8_t low, std::uint8_t high, std::uint8_t ext)
{
    return {3, {0xFF, 0xFF, extMask}, {low, high, ext}};
}

AvrTiming timing(std::uint32_t flashUs, std::uint32_t eepromUs, std::uint32_t eraseUs, std::uint32_t fuseUs)
{
    return {flashUs, eepromUs, eraseUs, fuseUs};
}

PartInfo avr(const char* name, const char* aliases, Sig sig, std::uint32_t flash, std::uint32_t pageBytes,
             std::uint32_t eeprom, std::uint8_t calibration, Fuses fuses, std::uint8_t lockMask, AvrTiming t,
             LockPlace place = LockPlace::Byte3)
{
    PartInfo s;
    s.name = name;
    s.aliases = aliases;
    s.family = ChipFamily::Avr;
    s.flashBytes = flash;
    s.eepromBytes = eeprom;
    s.pageBytes = pageBytes;
    s.signature = sig;
    s.calibrationCount = calibration;
    s.fuseCount = fuses.count;
    s.fuseMask = fuses.mask;
    s.fuseDefault = fuses.defaults;
    s.eesaveFuse = fuses.eesaveFuse;
    s.eesaveBit = fuses.eesaveBit;
    s.lockMask = lockMask;
    s.lockPlace = place;
    s.timing = t;
    s.readyPoll = true;
    return s;
}

PartInfo at89(const char* name, const char* aliases, Sig sig, std::uint32_t flash, std::uint32_t eeprom,
              At89Kind kind, std::uint32_t byteWriteUs, std::uint32_t eraseUs)
{
    PartInfo s;
    s.name = name;
    s.aliases = aliases;
    s.family = ChipFamily::At89;
    s.flashBytes = flash;
    s.eepromBytes = eeprom;
    s.signature = sig;
    s.at89 = kind;
    s.byteWriteUs = byteWriteUs;
    s.eraseUs = eraseUs;
    return s;
}

PartInfo at25(const char* name, std::uint32_t bytes, std::uint32_t pageBytes)
{
    PartInfo s;
    s.name = name;
    s.family = ChipFamily::At25;
    s.eepromBytes = bytes;
    s.pageBytes = pageBytes;
    s.byteWriteUs = 5000; // tWC of one page write
    return s;
}

PartInfo serialFlash(const char* name, const char* aliases, std::uint32_t bytes, std::array<std::uint8_t, 4> id,
                     std::uint32_t chipEraseUs)
{
    PartInfo s;
    s.name = name;
    s.aliases = aliases;
    s.family = ChipFamily::SerialFlash;
    s.flashBytes = bytes;
    s.pageBytes = 256;
    s.jedecId = id;
    s.byteWriteUs = 1500; // tPP of one page program, typical
    s.eraseUs = chipEraseUs;
    return s;
}

PartInfo dataFlash(const char* name, std::uint32_t pages, std::uint32_t pageBytes, std::uint8_t dev1,
                   std::uint8_t dev2, std::uint8_t density)
{
    PartInfo s;
    s.name = name;
    s.family = ChipFamily::DataFlash;
    s.pageCount = pages;
    s.pageBytes = pageBytes;
    s.flashBytes = pages * pageBytes;
    s.jedecId = {0x1F, dev1, dev2, 0x01};
    s.densityBits = density;
    s.byteWriteUs = 3000; // buffer to main memory page program, typical
    s.eraseUs = 30000;    // 8-page block erase, typical
    return s;
}

std::vector<PartInfo> build()
{
    constexpr std::uint8_t kLb = 0x03;   // LB1 and LB2 only
    constexpr std::uint8_t kBlb = 0x3F;  // with the four boot-lock bits
    const AvrTiming tinyOld = timing(4500, 4000, 4500, 9000);
    const AvrTiming tinyNew = timing(4500, 4000, 4000, 4500);
    const AvrTiming mega9 = timing(4500, 9000, 9000, 9000);
    const AvrTiming mega36 = timing(4500, 3600, 9000, 4500);
    const AvrTiming mega55 = timing(4500, 9000, 55000, 9000);
    const AvrTiming mega2 = timing(4500, 9000, 9000, 2000);

    std::vector<PartInfo> t;
    // ATtiny
    Fuses tiny13 = two(0x6A, 0xFF);
    tiny13.eesaveFuse = 0;
    tiny13.eesaveBit = 6;
    t.push_back(avr("ATtiny13", "ATtiny13A|ATtiny13/13A", {0x1E, 0x90, 0x07}, 1024, 32, 64, 2, tiny13, kLb,
                    timing(4500, 4000, 4000, 4500)));
    Fuses tiny2313 = three(0x01, 0x64, 0xDF, 0xFF);
    tiny2313.eesaveBit = 6;
    t.push_back(avr("ATtiny2313", "ATtiny2313A", {0x1E, 0x91, 0x0A}, 2048, 32, 128, 2, tiny2313, kLb,
                    timing(4500, 4000, 9000, 9000)));
    const Fuses tinyX = three(0x01, 0x62, 0xDF, 0xFF);
    t.push_back(avr("ATtiny24", "ATtiny24A|ATtiny24/24A", {0x1E, 0x91, 0x0B}, 2048, 32, 128, 1, tinyX, kLb, tinyOld));
    t.push_back(avr("ATtiny25", "", {0x1E, 0x91, 0x08}, 2048, 32, 128, 1, tinyX, kLb, tinyOld));
    Fuses tiny26 = {2, {0xFF, 0x1F, 0x00}, {0xE1, 0xF7, 0xFF}, 1, 2};
    t.push_back(avr("ATtiny26", "", {0x1E, 0x91, 0x09}, 2048, 32, 128, 4, tiny26, kLb,
                    timing(4500, 9000, 9000, 9000), LockPlace::Byte1));
    t.push_back(avr("ATtiny261", "ATtiny261A|ATtiny261/261A", {0x1E, 0x91, 0x0C}, 2048, 32, 128, 1, tinyX, kLb,
                    tinyNew, LockPlace::Byte1));
    t.push_back(avr("ATtiny43U", "", {0x1E, 0x92, 0x0C}, 4096, 64, 64, 1, tinyX, kLb,
                    timing(4500, 4000, 1000, 4500)));
    t.push_back(avr("ATtiny44", "ATtiny44A|ATtiny44/44A", {0x1E, 0x92, 0x07}, 4096, 64, 256, 1, tinyX, kLb, tinyOld));
    t.push_back(avr("ATtiny45", "", {0x1E, 0x92, 0x06}, 4096, 64, 256, 1, tinyX, kLb, tinyOld));
    t.push_back(avr("ATtiny461", "ATtiny461A", {0x1E, 0x92, 0x08}, 4096, 64, 256, 1, tinyX, kLb, tinyNew,
                    LockPlace::Byte1));
    t.push_back(avr("ATtiny48", "", {0x1E, 0x92, 0x09}, 4096, 64, 64, 1, three(0x01, 0x6E, 0xDF, 0xFF), kLb,
                    timing(4500, 3600, 15000, 4500)));
    t.push_back(avr("ATtiny84", "ATtiny84A", {0x1E, 0x93, 0x0C}, 8192, 64, 512, 1, tinyX, kLb, tinyOld));
    t.push_back(avr("ATtiny85", "", {0x1E, 0x93, 0x0B}, 8192, 64, 512, 1, tinyX, kLb, tinyOld));
    t.push_back(avr("ATtiny861", "ATtiny861A", {0x1E, 0x93, 0x0D}, 8192, 64, 512, 1, tinyX, kLb, tinyNew,
                    LockPlace::Byte1));
    t.push_back(avr("ATtiny88", "", {0x1E, 0x93, 0x11}, 8192, 64, 64, 1, three(0x01, 0x6E, 0xDF, 0xFF), kLb,
                    timing(4500, 3600, 9000, 4500)));

    // AT90PWM
    const Fuses pwm = three(0xFF, 0x62, 0xDF, 0xF9);
    const AvrTiming pwmT = timing(4500, 4000, 9000, 9000);
    t.push_back(avr("AT90PWM2B", "AT90PWM1/2B/3B|AT90PWM1|AT90PWM3B", {0x1E, 0x93, 0x83}, 8192, 64, 512, 1, pwm, kBlb,
                    pwmT));
    t.push_back(avr("AT90PWM2", "AT90PWM2/3|AT90PWM3", {0x1E, 0x93, 0x81}, 8192, 64, 512, 1, pwm, kBlb, pwmT));
    t.push_back(avr("AT90PWM216", "AT90PWM216/316|AT90PWM316", {0x1E, 0x94, 0x83}, 16384, 128, 512, 1, pwm, kBlb,
                    pwmT));
    t.push_back(avr("AT90PWM81", "", {0x1E, 0x93, 0x88}, 8192, 64, 512, 1, pwm, kBlb, pwmT));

    // ATmega
    const Fuses m48 = three(0x01, 0x62, 0xDF, 0xFF);
    const Fuses m88 = three(0x07, 0x62, 0xDF, 0xF9);
    const Fuses m164 = three(0x07, 0x62, 0x99, 0xFF);
    const Fuses m1280 = three(0x07, 0x62, 0x99, 0xFF);
    const Fuses m169 = three(0x0F, 0x62, 0x99, 0xFF);
    const Fuses usb = three(0x0F, 0x5E, 0xD9, 0xF4); // BODLEVEL0..2, HWBE
    const Fuses usb4 = three(0x0F, 0x5E, 0x99, 0xF3);
    const Fuses m1 = three(0x3F, 0x62, 0xD9, 0xF9);
    const Fuses can = three(0x0F, 0x62, 0x99, 0xFF);
    // One fuse byte: SUT0..2 SELFPRGEN DWEN SPIEN EESAVE WDTON.
    const Fuses hva = {1, {0xFF, 0x00, 0x00}, {0xDF, 0xFF, 0xFF}, 0, 6};
    // Low: OSCSEL0/1 SUT0..2 SPIEN EESAVE WDTON; high: BOOTRST BOOTSZ0/1 DWEN CKDIV.
    const Fuses hvb = {2, {0xFF, 0x1F, 0x00}, {0xDE, 0xE9, 0xFF}, 0, 6};
    const AvrTiming m48T = timing(4500, 3600, 45000, 4500);

    // No boot section: the boot-lock bits read back 1 whatever is written.
    t.push_back(avr("ATmega48", "ATmega48/48P/48PA", {0x1E, 0x92, 0x05}, 4096, 64, 256, 1, m48, kLb, m48T));
    t.push_back(avr("ATmega48P", "ATmega48PA", {0x1E, 0x92, 0x0A}, 4096, 64, 256, 1, m48, kLb, m48T));
    t.push_back(avr("ATmega8", "ATmega8A|ATmega8/8A", {0x1E, 0x93, 0x07}, 8192, 64, 512, 4, two(0xE1, 0xD9), kBlb,
                    timing(4500, 9000, 10000, 2000)));
    t.push_back(avr("ATmega8HVA", "", {0x1E, 0x93, 0x10}, 8192, 128, 256, 1, hva, kLb, mega36));
    t.push_back(avr("ATmega8U2", "", {0x1E, 0x93, 0x89}, 8192, 128, 512, 1, usb, kBlb, mega9));
    t.push_back(avr("ATmega88", "ATmega88/88P/88PA|ATA6602|ATA6612", {0x1E, 0x93, 0x0A}, 8192, 64, 512, 1, m88, kBlb,
                    mega36));
    t.push_back(avr("ATmega88P", "ATmega88PA", {0x1E, 0x93, 0x0F}, 8192, 64, 512, 1, m88, kBlb, mega36));
    t.push_back(avr("ATmega8515", "", {0x1E, 0x93, 0x06}, 8192, 64, 512, 4, two(0xE1, 0xD9), kBlb,
                    timing(4500, 9000, 9000, 4500)));
    t.push_back(avr("ATmega8535", "", {0x1E, 0x93, 0x08}, 8192, 64, 512, 4, two(0xE1, 0xD9), kBlb, mega2));
    t.push_back(avr("ATmega16", "ATmega16A|ATmega16/16A", {0x1E, 0x94, 0x03}, 16384, 128, 512, 4, two(0xE1, 0x99),
                    kBlb, mega9));
    t.push_back(avr("ATmega16M1", "", {0x1E, 0x94, 0x84}, 16384, 128, 512, 1, m1, kBlb, mega36));
    t.push_back(avr("ATmega16HVA", "", {0x1E, 0x94, 0x0C}, 16384, 128, 256, 1, hva, kLb, mega36));
    t.push_back(avr("ATmega16HVB", "", {0x1E, 0x94, 0x0D}, 16384, 128, 512, 1, hvb, kBlb, mega36));
    t.push_back(avr("ATmega16U4", "", {0x1E, 0x94, 0x88}, 16384, 128, 512, 1, usb4, kBlb, mega9));
    t.push_back(avr("ATmega16U2", "", {0x1E, 0x94, 0x89}, 16384, 128, 512, 1, usb, kBlb, mega9));
    t.push_back(avr("ATmega162", "", {0x1E, 0x94, 0x04}, 16384, 128, 512, 1, three(0x1E, 0x62, 0x99, 0xFF), kBlb,
                    timing(4500, 9000, 9000, 16000)));
    t.push_back(avr("ATmega164P", "ATmega164PA|ATmega164P/164PA", {0x1E, 0x94, 0x0A}, 16384, 128, 512, 1, m164, kBlb,
                    mega55));
    t.push_back(avr("ATmega165P", "", {0x1E, 0x94, 0x07}, 16384, 128, 512, 1, m169, kBlb, mega36));
    t.push_back(avr("ATmega168", "ATmega168/168P|ATA6603|ATA6613", {0x1E, 0x94, 0x06}, 16384, 128, 512, 1, m88, kBlb,
                    mega36));
    t.push_back(avr("ATmega168P", "ATmega168PA", {0x1E, 0x94, 0x0B}, 16384, 128, 512, 1, m88, kBlb, mega36));
    t.push_back(avr("ATmega169", "ATmega169V|ATmega169P|ATmega169/169V/169P", {0x1E, 0x94, 0x05}, 16384, 128, 512, 1,
                    m169, kBlb, mega2));
    t.push_back(avr("ATmega32", "ATmega32A|ATmega32/32A", {0x1E, 0x95, 0x02}, 32768, 128, 1024, 4, two(0xE1, 0x99),
                    kBlb, mega2));
    t.push_back(avr("ATmega32C1", "ATmega32C1/32M1", {0x1E, 0x95, 0x86}, 32768, 128, 1024, 1, m1, kBlb, mega36));
    t.push_back(avr("ATmega32M1", "", {0x1E, 0x95, 0x84}, 32768, 128, 1024, 1, m1, kBlb, mega36));
    t.push_back(avr("ATmega32HVB", "", {0x1E, 0x95, 0x10}, 32768, 128, 1024, 1, hvb, kBlb, mega36));
    t.push_back(avr("ATmega32U2", "", {0x1E, 0x95, 0x8A}, 32768, 128, 1024, 1, usb, kBlb, mega9));
    t.push_back(avr("ATmega32U4", "", {0x1E, 0x95, 0x87}, 32768, 128, 1024, 1, usb4, kBlb, mega9));
    t.push_back(avr("ATmega32U6", "", {0x1E, 0x95, 0x88}, 32768, 128, 1024, 1, usb4, kBlb, mega9));
    t.push_back(avr("ATmega324A", "", {0x1E, 0x95, 0x15}, 32768, 128, 1024, 1, m164, kBlb, mega55));
    t.push_back(avr("ATmega324PA", "", {0x1E, 0x95, 0x11}, 32768, 128, 1024, 1, m164, kBlb, mega55));
    t.push_back(avr("ATmega325", "ATmega325/3250", {0x1E, 0x95, 0x05}, 32768, 128, 1024, 1, m88, kBlb, mega9));
    t.push_back(avr("ATmega3250", "", {0x1E, 0x95, 0x06}, 32768, 128, 1024, 1, m88, kBlb, mega9));
    t.push_back(avr("ATmega328P", "", {0x1E, 0x95, 0x0F}, 32768, 128, 1024, 1, three(0x07, 0x62, 0xD9, 0xFF), kBlb,
                    mega36));
    t.push_back(avr("ATmega329", "ATmega329/3290", {0x1E, 0x95, 0x03}, 32768, 128, 1024, 1, m88, kBlb,
                    timing(4500, 9000, 9000, 4500)));
    t.push_back(avr("ATmega3290", "", {0x1E, 0x95, 0x04}, 32768, 128, 1024, 1, m88, kBlb,
                    timing(4500, 9000, 9000, 4500)));
    t.push_back(avr("ATmega329P", "ATmega329P/3290P", {0x1E, 0x95, 0x0B}, 32768, 128, 1024, 1, m88, kBlb,
                    timing(4500, 9000, 9000, 4500)));
    t.push_back(avr("ATmega3290P", "", {0x1E, 0x95, 0x0C}, 32768, 128, 1024, 1, m88, kBlb,
                    timing(4500, 9000, 9000, 4500)));
    t.push_back(avr("ATmega64", "ATmega64A|ATmega64/64A", {0x1E, 0x96, 0x02}, 65536, 256, 2048, 4,
                    three(0x03, 0xE1, 0x99, 0xFD), kBlb, mega9));
    t.push_back(avr("ATmega64C1", "ATmega64C1/64M1", {0x1E, 0x96, 0x86}, 65536, 256, 2048, 1, m1, kBlb, mega36));
    t.push_back(avr("ATmega64M1", "", {0x1E, 0x96, 0x84}, 65536, 256, 2048, 1, m1, kBlb, mega36));
    t.push_back(avr("ATmega640", "", {0x1E, 0x96, 0x08}, 65536, 256, 4096, 1, m1280, kBlb, mega9));
    t.push_back(avr("ATmega644", "", {0x1E, 0x96, 0x09}, 65536, 256, 2048, 1, m164, kBlb, mega55));
    t.push_back(avr("ATmega644P", "ATmega644PA|ATmega644P/644PA", {0x1E, 0x96, 0x0A}, 65536, 256, 2048, 1, m164, kBlb,
                    mega55));
    t.push_back(avr("ATmega645", "ATmega645/6450", {0x1E, 0x96, 0x05}, 65536, 256, 2048, 1, m88, kBlb, mega9));
    t.push_back(avr("ATmega6450", "", {0x1E, 0x96, 0x06}, 65536, 256, 2048, 1, m88, kBlb, mega9));
    t.push_back(avr("ATmega649", "ATmega649/6490", {0x1E, 0x96, 0x03}, 65536, 256, 2048, 1, m88, kBlb,
                    timing(4500, 9000, 9000, 4500)));
    t.push_back(avr("ATmega6490", "", {0x1E, 0x96, 0x04}, 65536, 256, 2048, 1, m88, kBlb,
                    timing(4500, 9000, 9000, 4500)));
    // The 128A needs 10 ms for an Eeprom byte.
    t.push_back(avr("ATmega128", "ATmega128A|ATmega128/128A", {0x1E, 0x97, 0x02}, 131072, 256, 4096, 4,
                    three(0x03, 0xE1, 0x99, 0xFD), kBlb, timing(4500, 10000, 9000, 9000)));
    t.push_back(avr("ATmega1280", "ATmega128x", {0x1E, 0x97, 0x03}, 131072, 256, 4096, 1, m1280, kBlb, mega9));
    t.push_back(avr("ATmega1281", "", {0x1E, 0x97, 0x04}, 131072, 256, 4096, 1, m1280, kBlb, mega9));
    t.push_back(avr("ATmega128RFA1", "", {0x1E, 0xA7, 0x01}, 131072, 256, 4096, 1, m1280, kBlb,
                    timing(4500, 13000, 55000, 9000)));
    t.push_back(avr("ATmega1284P", "", {0x1E, 0x97, 0x05}, 131072, 256, 4096, 1, m164, kBlb, mega55));
    t.push_back(avr("ATmega2560", "ATmega256x", {0x1E, 0x98, 0x01}, 262144, 256, 4096, 1, m1280, kBlb, mega9));
    t.push_back(avr("ATmega2561", "", {0x1E, 0x98, 0x02}, 262144, 256, 4096, 1, m1280, kBlb, mega9));

    // AT90CAN, AT90USB
    t.push_back(avr("AT90CAN32", "", {0x1E, 0x95, 0x81}, 32768, 256, 1024, 1, can, kBlb, mega9));
    t.push_back(avr("AT90CAN64", "", {0x1E, 0x96, 0x81}, 65536, 256, 2048, 1, can, kBlb, mega9));
    t.push_back(avr("AT90CAN128", "", {0x1E, 0x97, 0x81}, 131072, 256, 4096, 1, can, kBlb, mega9));
    t.push_back(avr("AT90USB82", "", {0x1E, 0x93, 0x82}, 8192, 128, 512, 1, usb, kBlb, mega9));
    t.push_back(avr("AT90USB162", "", {0x1E, 0x94, 0x82}, 16384, 128, 512, 1, usb, kBlb, mega9));
    t.push_back(avr("AT90USB646", "AT90USB64x|AT90USB647", {0x1E, 0x96, 0x82}, 65536, 256, 2048, 1, usb4, kBlb, mega9));
    t.push_back(avr("AT90USB1286", "AT90USB128x|AT90USB1287", {0x1E, 0x97, 0x82}, 131072, 256, 4096, 1, usb4, kBlb,
                    mega9));

    // AT86RF401: byte writes, no fuses, and like the AT90S parts no Poll
    // RDY/BSY: a PC has to wait out each write.
    PartInfo rf401 = avr("AT86RF401", "", {0x1E, 0x91, 0x81}, 2048, 0, 128, 0, Fuses{0, {}, {0xFF, 0xFF, 0xFF}, -1, 0},
                         kLb, timing(4000, 4000, 9000, 4000));
    rf401.readyPoll = false;
    t.push_back(rf401);

    // AT89S
    t.push_back(at89("AT89S51", "", {0x1E, 0x51, 0x06}, 4096, 0, At89Kind::S51, 1000, 500000));
    t.push_back(at89("AT89S52", "", {0x1E, 0x52, 0x06}, 8192, 0, At89Kind::S51, 1000, 500000));
    t.push_back(at89("AT89S2051", "", {0x1E, 0x23, 0xFF}, 2048, 0, At89Kind::S2051, 1000, 500000));
    t.push_back(at89("AT89S4051", "", {0x1E, 0x43, 0xFF}, 4096, 0, At89Kind::S2051, 1000, 500000));
    t.push_back(at89("AT89S8253", "", {0x1E, 0x73, 0xFF}, 12288, 2048, At89Kind::S8253, 4000, 500000));

    // AT25 serial EEPROM
    t.push_back(at25("AT25128", 16384, 64));
    t.push_back(at25("AT25256", 32768, 64));
    t.push_back(at25("AT25512", 65536, 128));

    // Serial Flash (AT25DF, AT26)
    t.push_back(serialFlash("AT25DF021", "", 262144, {0x1F, 0x43, 0x00, 0x00}, 3000000));
    t.push_back(serialFlash("AT25DF041A", "AT25DF041", 524288, {0x1F, 0x44, 0x01, 0x00}, 5000000));
    t.push_back(serialFlash("AT25DF081", "", 1048576, {0x1F, 0x45, 0x02, 0x00}, 7000000));
    t.push_back(serialFlash("AT26F021", "", 262144, {0x1F, 0x43, 0x00, 0x00}, 3000000));
    t.push_back(serialFlash("AT26F041A", "", 524288, {0x1F, 0x44, 0x01, 0x00}, 5000000));
    t.push_back(serialFlash("AT26F004", "", 524288, {0x1F, 0x04, 0x00, 0x00}, 5000000));
    t.push_back(serialFlash("AT26DF081A", "", 1048576, {0x1F, 0x45, 0x01, 0x00}, 7000000));
    t.push_back(serialFlash("AT26DF161A", "", 2097152, {0x1F, 0x46, 0x01, 0x00}, 8000000));
    t.push_back(serialFlash("AT26DF321", "", 4194304, {0x1F, 0x47, 0x00, 0x00}, 9000000));

    // AT45 DataFlash
    t.push_back(dataFlash("AT45DB011D", 512, 264, 0x22, 0x00, 0x03));
    t.push_back(dataFlash("AT45DB021D", 1024, 264, 0x23, 0x00, 0x05));
    t.push_back(dataFlash("AT45DB041D", 2048, 264, 0x24, 0x00, 0x07));
    t.push_back(dataFlash("AT45DB081D", 4096, 264, 0x25, 0x00, 0x09));
    t.push_back(dataFlash("AT45DB161D", 4096, 528, 0x26, 0x00, 0x0B));
    t.push_back(dataFlash("AT45DB321D", 8192, 528, 0x27, 0x01, 0x0D));
    t.push_back(dataFlash("AT45DB642D", 8192, 1056, 0x28, 0x00, 0x0F));
    return t;
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

const std::vector<PartInfo>& chipDatabase()
{
    static const std::vector<PartInfo> table = build();
    return table;
}

const PartInfo* findChip(std::string_view name)
{
    for (const PartInfo& part : chipDatabase()) {
        if (sameName(part.name, name))
            return &part;
    }
    for (const PartInfo& part : chipDatabase()) {
        std::string_view rest = part.aliases;
        while (!rest.empty()) {
            const auto bar = rest.find('|');
            if (sameName(rest.substr(0, bar), name))
                return &part;
            if (bar == std::string_view::npos)
                break;
            rest.remove_prefix(bar + 1);
        }
    }
    return nullptr;
}

} // namespace quorva::sim

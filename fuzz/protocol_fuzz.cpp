// The PC side of the protocol against a box whose every reply the input
// picks: the simulator's own answer, one byte of it changed, raw bytes,
// silence, a pulled cable or a line that keeps chattering.
#include "fuzz_support.h"
#include "lazy_chip.h"
#include "protocol_line.h"

#include "box.h"
#include "part_info.h"

#include "base/operation.h"
#include "catalogue/device_lookup.h"
#include "data/memory_buffer.h"
#include "data/project.h"
#include "link/connection.h"
#include "link/firmware_image.h"
#include "link/self_program.h"
#include "operations/auto_program.h"
#include "operations/chip_commands.h"
#include "operations/chip_setup_commands.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

namespace {

using namespace quorva;

// Cancels an operation once it has finished `steps` steps.
class CancellingView final : public OperationView {
public:
    CancellingView(Operation& op, int steps) : op_(op), steps_(steps) {}
    void operationStarted(const std::string&, const std::string&) override {}
    void operationProgress(int, const std::string&) override
    {
        if (steps_-- == 0)
            op_.requestCancel();
    }

private:
    Operation& op_;
    int steps_;
};

enum class Step {
    Connect,
    VersionConnection,
    ProgrammerInfo,
    Search,
    ProgramFlash,
    ProgramEeprom,
    ReadFlash,
    ReadEeprom,
    VerifyFlash,
    VerifyEeprom,
    BlankCheck,
    ReadSignature,
    ReadCalibration,
    ChipErase,
    ReadLockFuse,
    ProgramLockFuse,
    VerifyLockFuse,
    LockFuseCommand,
    PowerOfTwoPages,
    AutoProgram,
    UpdateFirmware,
    Count
};
constexpr int kCommandCount = static_cast<int>(Step::Count);

// The input starts with this; the reply stream follows.
struct Header {
    std::uint8_t device; // device index, modulo the table
    std::uint8_t line;   // bits 0-1 baud code, 2-4 the box's COM port, 5 no port chosen,
                         // 6 COM1..COM8 open but silent, 7 box without firmware
    std::uint8_t chip;   // bit 0 locked, 1 stays locked, 2 polling, 3 check signature,
                         // 4 no synchronisation, 5 long reset strobe, 6 quiet auto-program,
                         // 7 the chip answers another part's signature (the byte picks it)
    std::uint8_t steps;  // auto-program: erase, blank check, fuses, fuses first,
                         // Eeprom reload, program, verify, Flash reload
    std::uint8_t steps2; // bit 0 Flash program, 1 Flash verify, 2 fuse bytes too,
                         // 3 quiet lock and fuse programming, 4-7 spiPeriod
    std::uint8_t flashLength;
    std::uint8_t eepromLength;
    std::uint8_t commands[3];
    std::uint8_t answers[4]; // the first 32 questions, bit by bit; later ones get Yes
    std::uint8_t cancelAt;   // 0: never; else each operation is cancelled after cancelAt - 1 steps
    std::uint8_t lockFuse[7];
};
constexpr std::size_t kHeaderSize = sizeof(Header);
static_assert(kHeaderSize == 22);

// Bigger buffers only cost time: the paths are those of the smaller ones,
// and the sanitizer maps every block above 128 KB afresh, whose page faults
// cost more than the rest of a short input.
constexpr int kLimit = 64 << 10;

// A buffer length from its byte: empty, tiny, a page, the chip, or one past
// it; at most kLimit + 1.
int lengthOf(std::uint8_t choice, int memory, int page)
{
    const int capped = std::min(memory, kLimit);
    switch (choice % 8) {
    case 0:
        return 0;
    case 1:
        return 1 + choice / 8;
    case 2:
        return std::max(page, 1);
    case 3:
        return std::max(page, 1) + 1;
    case 4:
        return std::max(capped - 1, 1);
    case 5:
        return std::max(capped, 1);
    case 6:
        return memory <= kLimit ? memory + 1 : 1 + choice;
    default:
        return std::max(capped / 2 + choice, 1);
    }
}

// The part of a buffer's pattern without its seed, computed once.
const std::vector<std::uint8_t>& basePattern()
{
    static const std::vector<std::uint8_t> base = [] {
        std::vector<std::uint8_t> table(kLimit + 1);
        for (std::size_t i = 0; i < table.size(); ++i)
            table[i] = static_cast<std::uint8_t>((i * 13 + (i >> 8)) & 0xFF);
        return table;
    }();
    return base;
}

// What a buffer of the input holds, from its length byte. Up to 64 KB a
// time: without the sanitizers' check of every byte the loop goes by whole
// vector registers.
__attribute__((no_sanitize("address", "undefined"))) void addSeed(const std::uint8_t* base, std::uint8_t* out,
                                                                  std::size_t size, std::uint8_t seed)
{
    for (std::size_t i = 0; i < size; ++i)
        out[i] = static_cast<std::uint8_t>(base[i] + seed);
}

void fillPattern(std::span<std::uint8_t> bytes, std::uint8_t seed)
{
    const std::vector<std::uint8_t>& base = basePattern();
    FUZZ_CHECK(bytes.size() <= base.size());
    addSeed(base.data(), bytes.data(), bytes.size(), seed);
}

// The simulated part of each device of the table, looked up by name once:
// every input needs one or two.
const sim::PartInfo& partFor(std::size_t deviceIndex)
{
    static const auto parts = [] {
        std::array<const sim::PartInfo*, kDeviceCount> table{};
        for (std::size_t i = 0; i < table.size(); ++i) {
            const sim::PartInfo* part = sim::findChip(deviceTable[i].name);
            table[i] = part ? part : sim::findChip("ATmega8");
        }
        return table;
    }();
    return *parts[deviceIndex];
}

// What a command may cost: port calls and, once the box has fallen silent
// for good, time-outs. Generous but fixed: a loop that keeps going on a
// chattering line, or a wait of 2.8 s per block on a dead one, breaks them.
struct Budget {
    std::uint64_t calls;
    std::uint64_t deadLineTimeouts;
};

Budget budgetOf(Step command, const DeviceInfo& device, const MemoryBuffer& flash, const MemoryBuffer& eeprom)
{
    // A connection, its close and the drains of a stale line (4096 bytes at most each).
    constexpr std::uint64_t kConnectionCalls = 4000 + 2 * 4096;
    // The AT26 erase reads 14 replies it does not judge before the first it does.
    constexpr std::uint64_t kCommandTimeouts = 24;
    const auto bytes = static_cast<std::uint64_t>(std::max(device.flashSize, flash.length()) +
                                                  std::max(device.eepromSize, eeprom.length()));
    switch (command) {
    case Step::Search:
        return {8 * kConnectionCalls, 8 * 4};
    case Step::UpdateFirmware:
        return {3 * kConnectionCalls + 2 * kFirmwareImageSize, kCommandTimeouts};
    case Step::AutoProgram:
        // Up to eight commands, each moving a memory at most once.
        return {8 * kConnectionCalls + 16 * bytes, 8 * kCommandTimeouts};
    default:
        return {kConnectionCalls + 16 * bytes, kCommandTimeouts};
    }
}

// What the checks compare the buffers against. Kept from input to input, so
// that copying a big buffer reuses memory instead of mapping fresh pages.
struct Copies {
    std::vector<std::uint8_t> flashFile;
    std::vector<std::uint8_t> eepromFile;
    std::vector<std::uint8_t> flashBefore;
    std::vector<std::uint8_t> eepromBefore;
    // Where the chip is read to: a read of a big chip clears megabytes.
    MemoryBuffer read;
};

Copies& keptCopies()
{
    static Copies copies;
    return copies;
}

// QUORVA_FUZZ_VERBOSE=1 tells what each command of a replayed input cost.
bool verbose()
{
    static const bool on = std::getenv("QUORVA_FUZZ_VERBOSE") != nullptr;
    return on;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Header h{};
    std::copy_n(data, std::min(size, kHeaderSize), reinterpret_cast<std::uint8_t*>(&h));
    fuzz::ReplyStream stream(data + std::min(size, kHeaderSize), size - std::min(size, kHeaderSize));

    const int deviceIndex = h.device % kDeviceCount;
    const DeviceInfo& device = deviceTable[static_cast<std::size_t>(deviceIndex)];

    fuzz::InstantClock clock;
    sim::BoxOptions options;
    options.instantWrites = true;
    options.firmwareInstalled = (h.line & 0x80) == 0;
    options.faults.lockedChip = (h.chip & 0x01) != 0;
    options.faults.staysLocked = (h.chip & 0x02) != 0;
    if (h.chip & 0x80)
        options.faults.signatureOf = partFor((h.chip * 7u + h.device) % kDeviceCount).name;
    sim::Box box(clock, std::make_unique<fuzz::LazyChip>(partFor(static_cast<std::size_t>(deviceIndex))), options);
    const int boxPort = (h.line >> 2) & 0x07;
    fuzz::LinePort port(stream, clock, box, {boxPort, (h.line & 0x40) != 0});

    fuzz::SilentUi ui;
    // Only a verbose replay reads what the program showed.
    ui.record = verbose();
    unsigned question = 0;
    ui.decide = [&] {
        const unsigned n = question++;
        return n >= 32 || ((h.answers[n / 8] >> (n % 8)) & 1) != 0;
    };
    ui.run = [&](Operation& op) {
        std::unique_ptr<CancellingView> view;
        if (h.cancelAt != 0) {
            view = std::make_unique<CancellingView>(op, h.cancelAt - 1);
            op.setView(view.get());
        }
        op.execute();
        op.setView(nullptr);
        return op.result();
    };

    Project project(ui);
    project.deviceIndex = deviceIndex;
    project.polling = (h.chip & 0x04) != 0;
    project.checkSign = (h.chip & 0x08) != 0;
    project.noSynchronization = (h.chip & 0x10) != 0;
    project.resetStrobeLength = (h.chip & 0x20) != 0 ? 100 : 20;
    project.autoErase = (h.steps & 0x01) != 0;
    project.autoEmptyCheck = (h.steps & 0x02) != 0;
    project.programFuse = (h.steps & 0x04) != 0;
    project.programFuseBeforeAll = (h.steps & 0x08) != 0;
    project.autoEepromReload = (h.steps & 0x10) != 0;
    project.autoEepromProgram = (h.steps & 0x20) != 0;
    project.autoEepromVerify = (h.steps & 0x40) != 0;
    project.autoFlashReload = (h.steps & 0x80) != 0;
    project.autoFlashProgram = (h.steps2 & 0x01) != 0;
    project.autoFlashVerify = (h.steps2 & 0x02) != 0;
    project.spiPeriod = h.steps2 >> 4;
    project.lockFuse.valid = 1;
    project.lockFuse.lockMode = h.lockFuse[0] % 4;
    for (std::size_t i = 0; i < project.lockFuse.fuse.size(); ++i)
        project.lockFuse.fuse[i] = ((h.lockFuse[1 + i / 8] >> (i % 8)) & 1) != 0;
    for (std::size_t i = 0; i < project.lockFuse.bootLock.size(); ++i)
        project.lockFuse.bootLock[i] = ((h.lockFuse[5 + i / 8] >> (i % 8)) & 1) != 0;

    MemoryBuffer flash;
    MemoryBuffer eeprom;
    flash.init(ui, false, {}, &project);
    eeprom.init(ui, true, {}, &project);
    project.bindBuffers(flash, eeprom);
    // The buffers come from files only when the auto-program may reload
    // them: the file round costs time on every input.
    const bool reloads = std::any_of(std::begin(h.commands), std::end(h.commands),
                                     [](std::uint8_t byte) {
                                         return byte % (kCommandCount + 1) == static_cast<int>(Step::AutoProgram);
                                     }) &&
                         (project.autoFlashReload || project.autoEepromReload);
    Copies& copies = keptCopies();
    const auto fill = [reloads](MemoryBuffer& buffer, int length, const char* name, std::uint8_t seed,
                                std::vector<std::uint8_t>& file) {
        file.clear();
        if (length == 0)
            return;
        if (reloads) {
            file.resize(static_cast<std::size_t>(length));
            fillPattern(file, seed);
            const std::string path = fuzz::scratchPath(name);
            FUZZ_CHECK(fuzz::writeFile(path, {reinterpret_cast<const char*>(file.data()), file.size()}));
            buffer.loadFile(path);
            // A Flash buffer is padded to whole words.
            FUZZ_CHECK(buffer.length() >= length && buffer.length() <= length + 1);
            file.assign(buffer.data().begin(), buffer.data().end());
        } else {
            // As loaded from a file, without the file: only a reload
            // compares against one.
            buffer.createBlank(length);
            fillPattern(buffer.data(), seed);
            std::fill(buffer.byteState().begin(), buffer.byteState().end(), std::uint8_t{ByteLoaded});
        }
    };
    fill(flash, lengthOf(h.flashLength, device.flashSize, pageSizeBytes(device)), "flash.bin", h.flashLength,
         copies.flashFile);
    fill(eeprom, lengthOf(h.eepromLength, device.eepromSize, 1), "eeprom.bin", h.eepromLength, copies.eepromFile);
    // What the buffers held before each command; copied again only after a
    // command that changed them.
    copies.flashBefore.assign(flash.data().begin(), flash.data().end());
    copies.eepromBefore.assign(eeprom.data().begin(), eeprom.data().end());

    LinkSettings settings;
    settings.comPort = (h.line & 0x20) != 0 ? 0 : boxPort + 1;
    settings.highSpeed = (h.line & 0x03) % 3;
    OperationsContext context;
    context.readBuffer = &copies.read;
    context.deviceIdentified = [&](int index) { project.deviceIndex = index; };
    Connection connection(port, clock, ui);
    ChipCommands chips(ui, connection, project, flash, eeprom, settings, context);
    ChipSetupCommands setup(ui, connection, project, settings, context, [](const std::string&) {});
    AutoProgram autoProgram(ui, clock, project, flash, eeprom, settings, context, chips, setup);

    for (const std::uint8_t byte : h.commands) {
        const int which = byte % (kCommandCount + 1);
        if (which == kCommandCount)
            continue;
        const auto command = static_cast<Step>(which);
        const DeviceInfo& selected = deviceTable[static_cast<std::size_t>(project.deviceIndex)];
        const Budget budget = budgetOf(command, selected, flash, eeprom);
        const std::uint64_t callsBefore = port.calls();
        const std::uint64_t deadBefore = port.deadLineTimeouts();
        const std::uint64_t msBefore = clock.tickMs();
        const auto started = std::chrono::steady_clock::now();

        switch (command) {
        case Step::Connect:
            // Its callers close also after a failed connect.
            connection.connect(project, project.deviceIndex, boxPort + 1, settings.highSpeed);
            connection.closeConnection();
            break;
        case Step::VersionConnection:
            connection.connectForVersion(boxPort + 1, (h.line & 0x80) != 0, true, (h.chip & 0x40) != 0, false);
            connection.closeVersionConnection();
            break;
        case Step::ProgrammerInfo:
            connection.showProgrammerInfo(settings.comPort);
            break;
        case Step::Search:
            connection.searchProgrammer();
            break;
        case Step::ProgramFlash:
            chips.programFlash();
            break;
        case Step::ProgramEeprom:
            chips.programEeprom();
            break;
        case Step::ReadFlash:
            chips.readFlash();
            break;
        case Step::ReadEeprom:
            chips.readEeprom();
            break;
        case Step::VerifyFlash:
            chips.verifyFlash();
            break;
        case Step::VerifyEeprom:
            chips.verifyEeprom();
            break;
        case Step::BlankCheck:
            chips.blankCheck();
            break;
        case Step::ReadSignature:
            chips.readSignature();
            break;
        case Step::ReadCalibration:
            chips.readCalibration();
            break;
        case Step::ChipErase:
            setup.chipErase();
            break;
        case Step::ReadLockFuse: {
            LockFuseState state;
            setup.readLockFuse(state);
            break;
        }
        case Step::ProgramLockFuse:
            setup.programLockFuse(project.lockFuse, (h.steps2 & 0x04) != 0, (h.steps2 & 0x08) != 0);
            break;
        case Step::VerifyLockFuse:
            setup.verifyLockFuse(project.lockFuse);
            break;
        case Step::LockFuseCommand:
            setup.lockFuseCommand();
            break;
        case Step::PowerOfTwoPages:
            setup.setPowerOfTwoPages();
            break;
        case Step::AutoProgram:
            autoProgram.run((h.chip & 0x40) != 0);
            break;
        case Step::UpdateFirmware:
            updateFirmware(connection, settings.comPort, builtInFirmwareImage());
            break;
        case Step::Count:
            break;
        }

        if (verbose()) {
            const auto last = std::find_if(ui.calls.rbegin(), ui.calls.rend(),
                                           [](const std::string& call) { return call.starts_with("status: "); });
            const auto took = std::chrono::steady_clock::now() - started;
            std::fprintf(
                stderr, "step %d: %llu port calls, %llu time-outs on a dead line, %llu ms (%lld us of real time); %s\n",
                which, static_cast<unsigned long long>(port.calls() - callsBefore),
                static_cast<unsigned long long>(port.deadLineTimeouts() - deadBefore),
                static_cast<unsigned long long>(clock.tickMs() - msBefore),
                static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(took).count()),
                last == ui.calls.rend() ? "no status" : last->c_str());
        }
        // Every command gives the port back, whatever the line did.
        FUZZ_CHECK(!port.connected());
        FUZZ_CHECK(port.calls() - callsBefore <= budget.calls);
        FUZZ_CHECK(port.deadLineTimeouts() - deadBefore <= budget.deadLineTimeouts);
        FUZZ_CHECK(context.lastResult >= -1 && context.lastResult <= 2);
        FUZZ_CHECK(project.deviceIndex >= 0 && project.deviceIndex < kDeviceCount);

        // Each byte keeps its state, and only a read changes what a buffer
        // holds; a read never holds more than the chip.
        for (MemoryBuffer* buffer : {&flash, &eeprom}) {
            FUZZ_CHECK(buffer->data().size() == buffer->byteState().size());
            FUZZ_CHECK(!buffer->busy());
        }
        const auto same = [](const std::vector<std::uint8_t>& bytes, const MemoryBuffer& buffer) {
            return std::equal(bytes.begin(), bytes.end(), buffer.data().begin(), buffer.data().end());
        };
        // The auto-program may reload the buffer's file.
        const bool reloaded = reloads && command == Step::AutoProgram;
        const bool flashSame = same(copies.flashBefore, flash);
        const bool eepromSame = same(copies.eepromBefore, eeprom);
        if (command == Step::ReadFlash)
            FUZZ_CHECK(flashSame || flash.length() <= selected.flashSize);
        else
            FUZZ_CHECK(flashSame || (reloaded && same(copies.flashFile, flash)));
        if (command == Step::ReadEeprom)
            FUZZ_CHECK(eepromSame || eeprom.length() <= selected.eepromSize);
        else
            FUZZ_CHECK(eepromSame || (reloaded && same(copies.eepromFile, eeprom)));
        if (!flashSame)
            copies.flashBefore.assign(flash.data().begin(), flash.data().end());
        if (!eepromSame)
            copies.eepromBefore.assign(eeprom.data().begin(), eeprom.data().end());
    }
    return 0;
}

// The PC side of the protocol against a box whose every reply the input
// picks: the simulator's own answer, one byte of it changed, raw bytes,
// silence, a pulled cable or a line that keeps chattering.
#include "fuzz_support.h"

#include "box.h"
#include "chip.h"
#include "part_info.h"
#include "sim_port.h"

#include "base/clock.h"
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
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace {

using namespace quorva;

// The reply stream: one byte read at a time; past its end it reads as
// silence.
class Stream {
public:
    Stream(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    std::uint8_t next() { return empty() ? 0 : data_[at_++]; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// What one control byte of the stream makes of a receive.
enum class Reply { Proper, Changed, Raw, Silence, Unplug, Chatter };

Reply replyOf(std::uint8_t control)
{
    if (control < 0xA0)
        return Reply::Proper;
    if (control < 0xB8)
        return Reply::Changed;
    if (control < 0xD0)
        return Reply::Raw;
    if (control < 0xE8)
        return Reply::Silence;
    if (control < 0xF8)
        return Reply::Unplug;
    return Reply::Chatter;
}

// The simulated box behind the in-process port, with the input between
// them: sends reach the box unchanged; each receive takes a control byte
// that decides what the PC gets instead of (or as) the box's reply. A
// control byte 0x80..0x9F answers the following receives properly too, up
// to 4096 of them, so that a short input can carry a whole memory.
class FuzzPort final : public BytePort {
public:
    // Far more than any loop that ends by itself needs, far less than the
    // receives of reading the biggest chips.
    static constexpr std::uint64_t kChatterReceives = std::uint64_t{1} << 20;

    FuzzPort(Stream& stream, RecordingClock& clock, sim::Box& box, sim::SimPort& inner)
        : stream_(stream), clock_(clock), box_(box), inner_(inner), buffer_(kReceiveBufferSize)
    {
    }

    bool open(int portIndex, int baud) override
    {
        ++calls;
        stale_.clear();
        if (unplugged_) {
            inner_.close();
            return false;
        }
        return inner_.open(portIndex, baud);
    }
    bool close() override
    {
        ++calls;
        stale_.clear();
        return inner_.close();
    }
    bool sendByte(std::uint8_t byte) override { return send(&byte, 1); }
    bool send(const std::uint8_t* bytes, std::size_t count) override
    {
        ++calls;
        if (unplugged_)
            return false;
        // The box's replies are not used again once the line chatters.
        if (chatter_)
            return inner_.connected();
        return inner_.send(bytes, count);
    }
    const std::uint8_t* receive(std::size_t count) override
    {
        ++calls;
        if (!inner_.connected())
            return nullptr;
        if (unplugged_ || count > kReceiveBufferSize)
            return nullptr;
        return fill(count) ? buffer_.data() : nullptr;
    }
    int receiveByte() override
    {
        ++calls;
        if (!inner_.connected())
            return 0;
        if (unplugged_)
            return -1;
        return fill(1) ? buffer_[0] : -1;
    }
    const char* status() const override { return inner_.status(); }
    bool connected() const override { return inner_.connected(); }
    int lastOpenError() const override { return unplugged_ ? ENOENT : 0; }

    // Time-outs waited out once the input had run dry.
    std::uint64_t deadLineTimeouts() const { return deadLineTimeouts_; }

    std::uint64_t calls = 0;

private:
    // The next count bytes the PC reads into buffer_; false after a time-out.
    bool fill(std::size_t count)
    {
        std::size_t got = 0;
        while (got < count && !stale_.empty()) {
            buffer_[got++] = stale_.front();
            stale_.pop_front();
        }
        if (got == count)
            return true;
        const std::size_t rest = count - got;

        if (chatter_) {
            // A chattering line falls silent for good after a while, so that
            // a read of a whole 8 MB DataFlash stays within the time-out.
            if (++chattered_ > kChatterReceives)
                return silence(true);
            std::fill_n(buffer_.begin() + static_cast<std::ptrdiff_t>(got), rest, *chatter_);
            return true;
        }
        if (credits_ > 0) {
            --credits_;
            return proper(got, rest);
        }
        if (stream_.empty())
            return silence(true);

        const std::uint8_t control = stream_.next();
        switch (replyOf(control)) {
        case Reply::Proper:
            if (control >= 0x80)
                credits_ = (1u << ((control & 0x1F) % 13)) - 1;
            return proper(got, rest);
        case Reply::Changed: {
            const std::size_t at = got + stream_.next() % rest;
            const std::uint8_t value = stream_.next();
            if (!proper(got, rest))
                return false;
            buffer_[at] = value;
            return true;
        }
        case Reply::Raw: {
            // The box's reply is lost; these bytes come instead, and what is
            // more than asked for waits for the next receive.
            box_.discardOutput();
            const std::size_t n = stream_.next();
            for (std::size_t i = 0; i < n; ++i) {
                const std::uint8_t byte = stream_.next();
                if (got < count)
                    buffer_[got++] = byte;
                else
                    stale_.push_back(byte);
            }
            return got == count || silence(false);
        }
        case Reply::Silence:
            return silence(false);
        case Reply::Unplug:
            unplugged_ = true;
            return false;
        case Reply::Chatter:
            chatter_ = stream_.next();
            ++chattered_;
            std::fill_n(buffer_.begin() + static_cast<std::ptrdiff_t>(got), rest, *chatter_);
            return true;
        }
        return false;
    }

    // The box's own reply, at the box's pace; the in-process port waits out
    // the time-out itself when the box has nothing to say.
    bool proper(std::size_t at, std::size_t count)
    {
        const std::uint8_t* reply = inner_.receive(count);
        if (!reply)
            return false;
        std::copy_n(reply, count, buffer_.begin() + static_cast<std::ptrdiff_t>(at));
        return true;
    }

    // The box's reply is lost on the line and the receive waits out its
    // time-out.
    bool silence(bool dead)
    {
        box_.discardOutput();
        box_.pcTimedOut();
        clock_.advance(sim::SimPort::kTimeoutMs);
        if (dead)
            ++deadLineTimeouts_;
        return false;
    }

    Stream& stream_;
    RecordingClock& clock_;
    sim::Box& box_;
    sim::SimPort& inner_;
    std::vector<std::uint8_t> buffer_;
    std::deque<std::uint8_t> stale_;
    std::optional<std::uint8_t> chatter_;
    std::uint64_t chattered_ = 0;
    unsigned credits_ = 0;
    bool unplugged_ = false;
    std::uint64_t deadLineTimeouts_ = 0;
};

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

// A buffer length from its byte: empty, tiny, a page, the chip, or one past it.
int lengthOf(std::uint8_t choice, int memory, int page)
{
    // Bigger buffers only cost time: the paths are those of the smaller ones.
    constexpr int kLimit = 256 << 10;
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

const sim::PartInfo& partFor(const DeviceInfo& device)
{
    if (const sim::PartInfo* part = sim::findChip(device.name))
        return *part;
    return *sim::findChip("ATmega8");
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
    Stream stream(data + std::min(size, kHeaderSize), size - std::min(size, kHeaderSize));

    const int deviceIndex = h.device % kDeviceCount;
    const DeviceInfo& device = deviceTable[static_cast<std::size_t>(deviceIndex)];

    RecordingClock clock;
    sim::BoxOptions options;
    options.instantWrites = true;
    options.firmwareInstalled = (h.line & 0x80) == 0;
    options.faults.lockedChip = (h.chip & 0x01) != 0;
    options.faults.staysLocked = (h.chip & 0x02) != 0;
    if (h.chip & 0x80)
        options.faults.signatureOf = partFor(deviceTable[(h.chip * 7u + h.device) % kDeviceCount]).name;
    sim::Box box(clock, sim::makeChip(partFor(device)), options);
    sim::SimPort simPort(clock);
    const int boxPort = (h.line >> 2) & 0x07;
    simPort.attach(boxPort, box);
    if (h.line & 0x40) {
        for (int port = 0; port < 8; ++port) {
            if (port != boxPort)
                simPort.addSilentPort(port);
        }
    }
    FuzzPort port(stream, clock, box, simPort);

    fuzz::SilentUi ui;
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
    const auto fill = [reloads](MemoryBuffer& buffer, int length, const char* name, std::uint8_t seed) {
        if (length == 0)
            return std::vector<std::uint8_t>{};
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<std::uint8_t>((i * 13 + seed + (i >> 8)) & 0xFF);
        if (reloads) {
            const std::string path = fuzz::scratchPath(name);
            FUZZ_CHECK(fuzz::writeFile(path, {reinterpret_cast<const char*>(bytes.data()), bytes.size()}));
            buffer.loadFile(path);
            // A Flash buffer is padded to whole words.
            FUZZ_CHECK(buffer.length() >= length && buffer.length() <= length + 1);
        } else {
            buffer.createBlank(length);
            std::copy(bytes.begin(), bytes.end(), buffer.data().begin());
            buffer.setAllByteStates(ByteLoaded);
        }
        return std::vector<std::uint8_t>(buffer.data().begin(), buffer.data().end());
    };
    const std::vector<std::uint8_t> flashFile =
        fill(flash, lengthOf(h.flashLength, device.flashSize, pageSizeBytes(device)), "flash.bin", h.flashLength);
    const std::vector<std::uint8_t> eepromFile =
        fill(eeprom, lengthOf(h.eepromLength, device.eepromSize, 1), "eeprom.bin", h.eepromLength);

    LinkSettings settings;
    settings.comPort = (h.line & 0x20) != 0 ? 0 : boxPort + 1;
    settings.highSpeed = (h.line & 0x03) % 3;
    OperationsContext context;
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
        const std::vector<std::uint8_t> flashBefore(flash.data().begin(), flash.data().end());
        const std::vector<std::uint8_t> eepromBefore(eeprom.data().begin(), eeprom.data().end());
        const std::uint64_t callsBefore = port.calls;
        const std::uint64_t deadBefore = port.deadLineTimeouts();
        const std::uint64_t msBefore = clock.tickMs();

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
            std::fprintf(stderr, "step %d: %llu port calls, %llu time-outs on a dead line, %llu ms; %s\n", which,
                         static_cast<unsigned long long>(port.calls - callsBefore),
                         static_cast<unsigned long long>(port.deadLineTimeouts() - deadBefore),
                         static_cast<unsigned long long>(clock.tickMs() - msBefore),
                         last == ui.calls.rend() ? "no status" : last->c_str());
        }
        // Every command gives the port back, whatever the line did.
        FUZZ_CHECK(!port.connected());
        FUZZ_CHECK(port.calls - callsBefore <= budget.calls);
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
        if (command == Step::ReadFlash)
            FUZZ_CHECK(same(flashBefore, flash) || flash.length() <= selected.flashSize);
        else
            FUZZ_CHECK(same(flashBefore, flash) || (reloaded && same(flashFile, flash)));
        if (command == Step::ReadEeprom)
            FUZZ_CHECK(same(eepromBefore, eeprom) || eeprom.length() <= selected.eepromSize);
        else
            FUZZ_CHECK(same(eepromBefore, eeprom) || (reloaded && same(eepromFile, eeprom)));
    }
    return 0;
}

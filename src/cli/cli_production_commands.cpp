#include "cli_production_commands.h"

#include "cli_bench.h"
#include "cli_gang.h"

#include "base/messages.h"
#include "catalogue/catalogue_messages.h"
#include "catalogue/device_lookup.h"
#include "catalogue/fuse_layout.h"
#include "catalogue/fuse_warnings.h"
#include "catalogue/lock_fuse.h"
#include "data/image_limits.h"
#include "data/memory_buffer.h"
#include "data/project.h"
#include "operations/chip_setup_commands.h"
#include "shell/app_controller.h"
#include "shell/gang_run.h"
#include "shell/window_ids.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <ostream>
#include <string>
#include <unistd.h>

namespace quorva::cli {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// The options a subcommand accepts besides --device and --project.
enum Accepts : unsigned {
    kBitNames = 1u << 0, // fuse and boot-lock bit names, and --lock N
    kNoFuses = 1u << 1,
    kProduction = 1u << 2, // --count N, --no-wait, --save-serial, --serial-sequence NAME
};

struct Request {
    Request(const char* name_, const char* usage_, unsigned accepts_ = 0, bool projectOnly_ = false)
        : name(name_), usage(usage_), accepts(accepts_), projectOnly(projectOnly_)
    {
    }

    const char* name;
    const char* usage;
    unsigned accepts;
    bool projectOnly;

    std::optional<std::string> device;
    std::optional<std::string> project;
    std::optional<int> lockMode;
    std::vector<std::string> bitNames;
    bool noFuses = false;
    int count = 1;
    bool countGiven = false;
    std::optional<std::string> logPath;
    bool noWait = false;
    bool saveSerial = false;
    std::optional<std::string> serialSequence;
};

std::optional<int> number(const std::string& text)
{
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 0 || value > 1000000)
        return std::nullopt;
    return static_cast<int>(value);
}

// False after a usage message.
bool parse(CliContext& context, Request& request)
{
    const auto& arguments = context.options.arguments;
    bool fine = true;
    for (std::size_t i = 0; fine && i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (a == "--device" && hasValue && !request.projectOnly) {
            request.device = arguments[++i];
        } else if (a == "--project" && hasValue) {
            request.project = arguments[++i];
        } else if (a == "--lock" && hasValue && (request.accepts & kBitNames)) {
            request.lockMode = number(arguments[++i]);
            fine = request.lockMode && *request.lockMode <= 3;
        } else if (a == "--no-fuses" && (request.accepts & kNoFuses)) {
            request.noFuses = true;
        } else if (a == "--count" && hasValue && (request.accepts & kProduction)) {
            const auto count = number(arguments[++i]);
            fine = count && *count >= 1;
            request.count = count.value_or(1);
            request.countGiven = true;
        } else if (a == "--log" && hasValue && (request.accepts & kProduction)) {
            request.logPath = arguments[++i];
        } else if (a == "--no-wait" && (request.accepts & kProduction)) {
            request.noWait = true;
        } else if (a == "--save-serial" && (request.accepts & kProduction)) {
            request.saveSerial = true;
        } else if (a == "--serial-sequence" && hasValue && (request.accepts & kProduction)) {
            request.serialSequence = arguments[++i];
            fine = !request.serialSequence->empty();
        } else if ((request.accepts & kBitNames) && a.rfind("--", 0) != 0) {
            request.bitNames.push_back(a);
        } else {
            fine = false;
        }
    }
    // A script must name the chip it means; the default device is no guess to work on.
    if (fine && !request.device && !request.project)
        fine = false;
    if (!fine)
        context.err << request.name << " takes " << request.usage << "\n";
    return fine;
}

bool sameName(const std::string& a, const char* b)
{
    return std::equal(a.begin(), a.end(), b, b + std::char_traits<char>::length(b),
                      [](char x, char y) { return std::toupper(static_cast<unsigned char>(x)) ==
                                                  std::toupper(static_cast<unsigned char>(y)); });
}

const FuseLayout& layoutOf(const Bench& bench)
{
    return fuseLayoutOf(bench.device());
}

std::string bitList(const FuseLayout& bits)
{
    std::string list;
    for (int k = 0; k < bits.fuseBitCount && k < 32; ++k) {
        const char* name = bits.fuseBitName[static_cast<std::size_t>(k)];
        if (name && std::string_view(name) != kEmptyFuseName)
            list += std::string(" ") + name;
    }
    for (int i = 0; i < bits.bootLockCount && i < kBootLockBits; ++i)
        list += std::string(" ") + bits.bootLockName[static_cast<std::size_t>(i)];
    return list.empty() ? " (none)" : list;
}

// The setting the bit names and --lock describe: the named bits
// programmed, every other one not.
std::optional<LockFuseState> settingOf(CliContext& context, const Bench& bench, const Request& request)
{
    const FuseLayout& bits = layoutOf(bench);
    LockFuseState state;
    state.lockMode = request.lockMode.value_or(0);
    for (const std::string& name : request.bitNames) {
        bool known = false;
        for (int k = 0; k < bits.fuseBitCount && k < 32 && !known; ++k) {
            const char* bitName = bits.fuseBitName[static_cast<std::size_t>(k)];
            if (bitName && std::string_view(bitName) != kEmptyFuseName && sameName(name, bitName)) {
                state.fuse[static_cast<std::size_t>(k)] = true;
                known = true;
            }
        }
        for (int i = 0; i < bits.bootLockCount && i < kBootLockBits && !known; ++i) {
            if (sameName(name, bits.bootLockName[static_cast<std::size_t>(i)])) {
                state.bootLock[static_cast<std::size_t>(i)] = true;
                known = true;
            }
        }
        if (!known) {
            context.err << bench.device().name << " has no bit " << name << "; its bits:" << bitList(bits) << "\n";
            return std::nullopt;
        }
    }
    return state;
}

// Every production command: parse its options, set up the bench with the
// project and device they name, then do the work.
template <typename Work>
int onChip(CliContext& context, Request request, Work work)
{
    if (!parse(context, request))
        return kExitUsage;
    Bench bench(context);
    if (const int status = bench.choose(request.project, request.device); status != 0)
        return status;
    return work(bench, request);
}

// A caption as a radio button shows it: a doubled ampersand is one.
std::string plainCaption(const char* caption)
{
    std::string text;
    for (const char* p = caption; *p != '\0'; ++p) {
        text += *p;
        if (p[0] == '&' && p[1] == '&')
            ++p;
    }
    return text;
}

void printSetting(std::ostream& out, const DeviceInfo& device, const FuseLayout& layout, const LockFuseState& state)
{
    out << "Lock mode: " << state.lockMode << " (" << plainCaption(lockModeCaption(device.protocol, state.lockMode))
        << ")\n";
    std::string programmed;
    auto line = [&](const char* name, bool set) {
        std::string head = std::string("  ") + name;
        head.resize(std::max<std::size_t>(head.size() + 1, 14), ' ');
        out << head << (set ? 1 : 0) << '\n';
        if (set && std::string_view(name) != kEmptyFuseName)
            programmed += std::string(" ") + name;
    };
    if (layout.fuseBitCount > 0) {
        out << "Fuse bits (1 = programmed):\n";
        for (int k = 0; k < layout.fuseBitCount && k < 32; ++k)
            line(layout.fuseBitName[static_cast<std::size_t>(k)], state.fuse[static_cast<std::size_t>(k)]);
    }
    if (layout.bootLockCount > 0) {
        out << "Boot lock bits (1 = programmed):\n";
        for (int i = 0; i < layout.bootLockCount && i < kBootLockBits; ++i)
            line(layout.bootLockName[static_cast<std::size_t>(i)], state.bootLock[static_cast<std::size_t>(i)]);
    }
    // Ready to be given back to fuses-write and fuses-verify.
    out << "Programmed:" << (programmed.empty() ? " (none)" : programmed) << '\n';
}

int exitFor(bool ok)
{
    return ok ? kExitOk : kExitFailed;
}

// One sequence per memory that counts up, shared by every chip of the run.
struct Serials {
    std::unique_ptr<SerialSequence> eeprom;
    std::unique_ptr<SerialSequence> flash;
};

// False after saying why: numbers to be saved need their image file.
bool serialsFor(CliContext& context, Bench& bench, bool saveSerial, Serials& serials)
{
    bool missingFile = false;
    const Project& project = bench.project;
    serials.eeprom =
        serialSequenceFor(bench.eeprom, project.autoIncrement, project.autoIncAddress, saveSerial, &missingFile);
    serials.flash = serialSequenceFor(bench.flash, project.autoIncrementFlash, project.autoIncAddressFlash, saveSerial,
                                      &missingFile);
    if (missingFile)
        context.err << "--save-serial needs the serial number's image file in the project\n";
    return !missingFile;
}

// Before any box is touched: the records the run needs can be written to.
// False after saying why.
bool recordsReady(CliContext& context, Bench& bench)
{
    const std::string& sequence = bench.project.serialSequence;
    if (bench.records->off()) {
        if (sequence.empty())
            return true;
        context.err << formatMessage(2360, sequence.c_str()) << '\n';
        return false;
    }
    const StoreResult<RecordStore*> store = bench.records->get();
    if (!store)
        context.err << store.error().message << '\n';
    return store.ok();
}

// Between two chips on a terminal: false when the person ends the run.
bool waitForNextChip(CliContext& context)
{
    context.out << messageText(2013) << std::flush;
    std::string line;
    const bool next = static_cast<bool>(std::getline(std::cin, line));
    context.out << '\n';
    return next;
}

} // namespace

int chipErase(CliContext& context)
{
    return onChip(context, {"erase", "--device NAME or --project FILE"}, [](Bench& bench, const Request&) {
        bench.controller.command(cmd::ChipErase);
        return exitFor(bench.controller.context().lastResult == 0);
    });
}

int chipFuses(CliContext& context)
{
    return onChip(context, {"fuses", "--device NAME or --project FILE"}, [&context](Bench& bench, const Request&) {
        const std::optional<LockFuseState> setting = bench.setup.lockFuseCommand();
        // A chip whose bits cannot be read has said so; there is nothing to print.
        if (!setting || setting->valid == 0)
            return kExitFailed;
        printSetting(context.out, bench.device(), layoutOf(bench), *setting);
        return kExitOk;
    });
}

int chipFusesWrite(CliContext& context)
{
    const Request request{"fuses-write", "[--lock 0..3] [--no-fuses] [BIT ...] and --device NAME or --project FILE",
                          kBitNames | kNoFuses};
    return onChip(context, request, [&context](Bench& bench, const Request& asked) {
        const std::optional<LockFuseState> setting = settingOf(context, bench, asked);
        if (!setting)
            return kExitUsage;
        const std::vector<std::string> lines = dangerousSettingLines(layoutOf(bench), *setting);
        if (!lines.empty() &&
            context.ui.ask(Buttons::YesNo, BoxIcon::Warning, 1, messageText(catalogue_msg::kWarningCaption),
                           dangerousSettingsQuestion(lines)) != Answer::Yes)
            return kExitFailed;
        return exitFor(bench.controller.recordedWrite(
            "fuses", [&] { return bench.setup.programLockFuse(*setting, !asked.noFuses, false); }));
    });
}

int chipFusesVerify(CliContext& context)
{
    const Request request{"fuses-verify", "[--lock 0..3] [BIT ...] and --device NAME or --project FILE", kBitNames};
    return onChip(context, request, [&context](Bench& bench, const Request& asked) {
        const std::optional<LockFuseState> setting = settingOf(context, bench, asked);
        if (!setting)
            return kExitUsage;
        return exitFor(bench.setup.verifyLockFuse(*setting));
    });
}

int chipPowerOfTwo(CliContext& context)
{
    return onChip(context, {"power-of-2", "--device NAME or --project FILE"}, [&context](Bench& bench, const Request&) {
        if (bench.device().family != FamilyAt45) {
            context.err << "power-of-2 applies to AT45 DataFlash only\n";
            return kExitUsage;
        }
        return exitFor(
            bench.controller.recordedWrite("page size", [&bench] { return bench.setup.setPowerOfTwoPages(); }));
    });
}

int chipAutoProgram(CliContext& context)
{
    const Request request{"autoprogram",
                          "--project FILE [--com N,N,...] [--count N] [--no-wait] [--save-serial] "
                          "[--serial-sequence NAME] [--log FILE]",
                          kProduction, true};
    return onChip(context, request, [&context](Bench& bench, const Request& asked) {
        Serials serials;
        if (!serialsFor(context, bench, asked.saveSerial, serials))
            return kExitUsage;
        if (asked.serialSequence)
            bench.project.serialSequence = *asked.serialSequence;
        if (!recordsReady(context, bench))
            return kExitFailed;
        if (context.options.comPorts.size() > 1)
            return runGang(context, GangRequest{*asked.project, asked.countGiven ? asked.count : 0, asked.noWait,
                                                asked.logPath, serials.eeprom.get(), serials.flash.get(), bench.records,
                                                bench.project.serialSequence});
        AutoProgram& sequence = bench.controller.autoProgram();
        sequence.eepromSerials = serials.eeprom.get();
        sequence.flashSerials = serials.flash.get();
        const bool askBetweenChips = !asked.noWait && isatty(STDIN_FILENO) != 0;
        for (int chip = 1; chip <= asked.count; ++chip) {
            if (asked.count > 1) {
                if (chip > 1 && askBetweenChips && !waitForNextChip(context))
                    return kExitFailed;
                context.out << formatMessage(2012, chip, asked.count) << '\n';
            }
            bench.controller.command(cmd::AutoProgram);
            const bool ok = bench.controller.autoProgramOk();
            // Which numbers the chip was given, as a run with several boxes says it.
            if (sequence.eepromSerial || sequence.flashSerial) {
                GangChip ended{bench.controller.linkSettings().comPort,
                               chip,
                               ok,
                               sequence.failureReason,
                               sequence.eepromSerial,
                               sequence.flashSerial};
                context.out << chipLine(ended) << '\n';
            }
            context.out << messageText(ok ? 1190 : 1191) << '\n';
            // A chip without its record ends the run (the store has said why).
            if (!ok || !bench.controller.recorder().failure().empty())
                return kExitFailed;
        }
        return kExitOk;
    });
}

} // namespace quorva::cli

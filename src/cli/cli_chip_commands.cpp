#include "cli_chip_commands.h"

#include "cli_bench.h"

#include "data/memory_buffer.h"
#include "shell/app_controller.h"
#include "shell/window_ids.h"

#include <optional>
#include <ostream>

namespace quorva::cli {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

enum class FileUse { None, Load, Save };

// What a chip subcommand is asked to do.
struct ChipRequest {
    const char* name;
    FileUse file;
    bool flash; // which buffer the file feeds or receives
    int command; // the main window's command id: the same path as its button
    // On a DataFlash the Eeprom write is the page-size setting, not this.
    bool notForDataFlash = false;
};

int usage(CliContext& context, const ChipRequest& request)
{
    context.err << request.name << " takes " << (request.file != FileUse::None ? "FILE " : "")
                << "and --device NAME or --project FILE\n";
    return kExitUsage;
}

int runChipCommand(CliContext& context, const ChipRequest& request)
{
    std::optional<std::string> deviceName;
    std::optional<std::string> projectPath;
    std::optional<std::string> file;
    const auto& arguments = context.options.arguments;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--device" && i + 1 < arguments.size())
            deviceName = arguments[++i];
        else if (arguments[i] == "--project" && i + 1 < arguments.size())
            projectPath = arguments[++i];
        else if (request.file != FileUse::None && !file && arguments[i].rfind("--", 0) != 0)
            file = arguments[i];
        else
            return usage(context, request);
    }
    // A script must name the chip it means; the default device is no guess to program with.
    if (!deviceName && !projectPath)
        return usage(context, request);
    if (request.file == FileUse::Save && !file)
        return usage(context, request);

    // The same controller and command ids as the window's buttons.
    Bench bench(context);
    if (const int status = bench.choose(projectPath, deviceName); status != 0)
        return status;
    AppController& controller = bench.controller;
    if (request.notForDataFlash && bench.device().family == FamilyAt45) {
        context.err << request.name << " does not apply to AT45 DataFlash\n";
        return kExitUsage;
    }

    MemoryBuffer& buffer = request.flash ? controller.flash() : controller.eeprom();
    if (request.file == FileUse::Load) {
        if (file)
            buffer.loadFile(*file);
        if (!buffer.hasData()) {
            if (!file)
                return usage(context, request);
            return kExitFailed;
        }
    }

    controller.command(request.command);
    if (controller.context().lastResult != 0)
        return kExitFailed;
    if (request.file == FileUse::Save && !buffer.writeFile(*file))
        return kExitFailed;
    return kExitOk;
}

} // namespace

int chipSignature(CliContext& context)
{
    return runChipCommand(context, {"signature", FileUse::None, true, cmd::ReadSignature});
}

int chipCalibration(CliContext& context)
{
    return runChipCommand(context, {"calibration", FileUse::None, true, cmd::ReadCalibration});
}

int chipProgramFlash(CliContext& context)
{
    return runChipCommand(context, {"program-flash", FileUse::Load, true, cmd::ProgramFlash});
}

int chipProgramEeprom(CliContext& context)
{
    return runChipCommand(context, {"program-eeprom", FileUse::Load, false, cmd::ProgramEeprom, true});
}

int chipReadFlash(CliContext& context)
{
    return runChipCommand(context, {"read-flash", FileUse::Save, true, cmd::ReadFlash});
}

int chipReadEeprom(CliContext& context)
{
    return runChipCommand(context, {"read-eeprom", FileUse::Save, false, cmd::ReadEeprom});
}

int chipVerifyFlash(CliContext& context)
{
    return runChipCommand(context, {"verify-flash", FileUse::Load, true, cmd::VerifyFlash});
}

int chipVerifyEeprom(CliContext& context)
{
    return runChipCommand(context, {"verify-eeprom", FileUse::Load, false, cmd::VerifyEeprom});
}

int chipBlankCheck(CliContext& context)
{
    return runChipCommand(context, {"blank-check", FileUse::None, true, cmd::BlankCheck});
}

} // namespace quorva::cli

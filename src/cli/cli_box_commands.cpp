#include "cli_box_commands.h"

#include "base/atomic_file.h"
#include "cli_session.h"
#include "link/self_program.h"

#include <ostream>
#include <vector>

namespace quorva::cli {

namespace {
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
} // namespace

int programmerInfo(CliContext& context)
{
    if (!context.options.arguments.empty()) {
        context.err << "info takes no arguments\n";
        return kExitUsage;
    }
    CliSession session(context);
    return session.connection().showProgrammerInfo(session.comPort()) ? kExitOk : kExitFailed;
}

int searchProgrammer(CliContext& context)
{
    if (!context.options.arguments.empty()) {
        context.err << "search takes no arguments\n";
        return kExitUsage;
    }
    CliSession session(context);
    const int found = session.connection().searchProgrammer();
    if (found == 0)
        return kExitFailed;
    // The search chooses a port for this run only; the settings keep theirs.
    context.out << "COM" << found << " (" << session.port().deviceName(found - 1) << ")\n";
    return kExitOk;
}

int firmwareUpdate(CliContext& context)
{
    std::vector<std::string> arguments = context.options.arguments;
    bool reduced = false;
    std::optional<std::string> imagePath;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--reduced") {
            reduced = true;
        } else if (arguments[i] == "--image" && i + 1 < arguments.size()) {
            imagePath = arguments[++i];
        } else {
            context.err << "firmware-update takes [--reduced] [--image FILE]\n";
            return kExitUsage;
        }
    }
    std::vector<std::uint8_t> image;
    if (imagePath) {
        const auto contents = readWholeFile(*imagePath);
        if (!contents || contents->size() != kFirmwareImageSize) {
            context.err << "quorva-cli: " << *imagePath << " is not a " << kFirmwareImageSize
                        << "-byte firmware image\n";
            return kExitFailed;
        }
        image.assign(contents->begin(), contents->end());
    } else {
        const auto builtIn = builtInFirmwareImage();
        image.assign(builtIn.begin(), builtIn.end());
    }
    context.ui.setReducedFirmwareSpeed(reduced);
    CliSession session(context);
    const bool updated = updateFirmware(session.connection(), session.comPort(),
                                        std::span<const std::uint8_t, kFirmwareImageSize>(image.data(), kFirmwareImageSize));
    return updated ? kExitOk : kExitFailed;
}

} // namespace quorva::cli

#include "cli_commands.h"

#include "base/atomic_file.h"
#include "base/json_text.h"
#include "base/messages.h"
#include "catalogue/device_lookup.h"
#include "catalogue/device_report.h"
#include "cli_box_commands.h"
#include "cli_chip_commands.h"
#include "cli_ports.h"
#include "cli_production_commands.h"
#include "cli_records.h"
#include "data/image_commands.h"
#include "data/load_address.h"
#include "data/memory_buffer.h"
#include "data/project.h"
#include "project_report.h"
#include "shell/recent_projects.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <ostream>

namespace quorva::cli {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int showSettings(CliContext& context)
{
    const Settings settings = context.settings.readAtStartup();
    context.out << "file: " << context.settings.path() << '\n'
                << "COM: " << settings.comPort;
    if (settings.comPort > 0)
        context.out << " (" << context.settings.portPath(settings.comPort) << ')';
    context.out << '\n'
                << "HighSpeed: " << settings.highSpeed << '\n'
                << "Russian: " << (settings.russianUi ? 1 : 0) << '\n';
    for (std::size_t i = 0; i < settings.advancedDelays.size(); ++i)
        context.out << "Special" << i + 1 << ": " << settings.advancedDelays[i] << '\n';
    context.out << "FixedWaits: " << (settings.fixedWaits ? 1 : 0) << '\n';
    context.out << "LoadMostRecent: " << (context.settings.loadMostRecent() ? 1 : 0) << '\n';
    return kExitOk;
}

int showMessage(CliContext& context)
{
    if (context.options.arguments.size() != 1) {
        context.err << "message needs one message number\n";
        return kExitUsage;
    }
    char* end = nullptr;
    const long id = std::strtol(context.options.arguments[0].c_str(), &end, 10);
    if (end == context.options.arguments[0].c_str() || *end != '\0') {
        context.err << "not a message number: " << context.options.arguments[0] << '\n';
        return kExitUsage;
    }
    context.out << messageText(static_cast<int>(id)) << '\n';
    return kExitOk;
}

// The arguments without the flag, and whether the flag was there.
bool takeFlag(std::vector<std::string>& arguments, const std::string& flag)
{
    const auto found = std::find(arguments.begin(), arguments.end(), flag);
    if (found == arguments.end())
        return false;
    arguments.erase(found);
    return true;
}

int listDevices(CliContext& context)
{
    std::vector<std::string> arguments = context.options.arguments;
    // With the global --json the list itself is the JSON output.
    const bool json = takeFlag(arguments, "--json") || context.options.json;
    if (!arguments.empty()) {
        context.err << "devices takes no arguments besides --json\n";
        return kExitUsage;
    }
    context.out << (json ? deviceListJson() : deviceListText());
    return kExitOk;
}

int showDevice(CliContext& context)
{
    if (context.options.arguments.size() != 1) {
        context.err << "device needs one device name\n";
        return kExitUsage;
    }
    const int index = findByName(context.options.arguments[0]);
    if (index < 0) {
        context.err << "unknown device " << context.options.arguments[0] << "\n";
        return kExitFailed;
    }
    context.out << deviceDetailsText(index);
    return kExitOk;
}

int checksumFile(CliContext& context)
{
    std::vector<std::string> arguments = context.options.arguments;
    const bool eeprom = takeFlag(arguments, "--eeprom");
    if (arguments.size() != 1) {
        context.err << "checksum needs one image file\n";
        return kExitUsage;
    }
    const ImageCommandResult result = checksumImageFile(context.ui, arguments[0], eeprom);
    if (result.ok)
        context.ui.setStatus(result.statusLine);
    return result.ok ? kExitOk : kExitFailed;
}

int convertFile(CliContext& context)
{
    std::vector<std::string> arguments = context.options.arguments;
    const bool eeprom = takeFlag(arguments, "--eeprom");
    if (arguments.size() != 2) {
        context.err << "convert needs an input and an output file\n";
        return kExitUsage;
    }
    const ImageCommandResult result = convertImageFile(context.ui, arguments[0], arguments[1], eeprom);
    if (result.ok)
        context.ui.setStatus(result.statusLine);
    return result.ok ? kExitOk : kExitFailed;
}

int loadAtAddress(CliContext& context)
{
    std::vector<std::string> arguments = context.options.arguments;
    const bool eeprom = takeFlag(arguments, "--eeprom");
    if (arguments.size() != 4) {
        context.err << "load-at needs BASE FILE ADDRESS OUT\n";
        return kExitUsage;
    }
    // The address is hexadecimal, as the load-address dialog first reads it.
    const std::optional<int> address = readAddressText(arguments[2], true);
    if (!address) {
        context.err << addressRangeText(true) << '\n';
        return kExitUsage;
    }
    context.ui.presetLoadAddress(*address);
    const ImageCommandResult result = mergeImageFiles(context.ui, arguments[0], arguments[1], arguments[3], eeprom);
    if (result.ok)
        context.ui.setStatus(result.statusLine);
    return result.ok ? kExitOk : kExitFailed;
}

int listRecent(CliContext& context)
{
    RecentProjects recent;
    recent.loadRecent(context.settings);
    for (const RecentProjects::MenuItem& item : recent.menuItems())
        context.out << item.commandId - RecentProjects::kFirstCommandId + 1 << "  " << item.path << '\n';
    context.out << "LoadMostRecent: " << (context.settings.loadMostRecent() ? 1 : 0) << '\n';
    return kExitOk;
}

int projectInfo(CliContext& context)
{
    if (context.options.arguments.size() != 1) {
        context.err << "project-info needs one project file\n";
        return kExitUsage;
    }
    const auto file = readWholeFile(context.options.arguments[0]);
    if (!file) {
        context.ui.showMessage(BoxIcon::Error, messageText(1016),
                               formatMessage(1024, context.options.arguments[0].c_str()));
        return kExitFailed;
    }
    Project project(context.ui);
    MemoryBuffer flash;
    MemoryBuffer eeprom;
    flash.init(context.ui, false, {}, &project);
    eeprom.init(context.ui, true, {}, &project);
    project.bindBuffers(flash, eeprom);
    if (!project.load(context.options.arguments[0]))
        return kExitFailed;
    context.out << projectReport(project, flash, eeprom);
    return kExitOk;
}

// Later subcommands join this table.
constexpr std::array kSubcommands{
    Subcommand{"settings", "", "show the settings file and its values", showSettings},
    Subcommand{"message", "ID", "print a numbered message in the current language", showMessage},
    Subcommand{"devices", "[--json]", "list the supported devices", listDevices, true},
    Subcommand{"device", "NAME", "show a device's memories, signature, lock and fuse bits", showDevice},
    Subcommand{"checksum", "FILE [--eeprom]", "load an image file and show its length and checksum", checksumFile},
    Subcommand{"convert", "IN OUT [--eeprom]", "load an image file and save it as another (.hex, .eep, .bin)",
               convertFile},
    Subcommand{"load-at", "BASE FILE ADDRESS OUT [--eeprom]",
               "merge FILE into BASE at a hexadecimal address, save as OUT", loadAtAddress},
    Subcommand{"project-info", "FILE", "show every setting of a project file", projectInfo},
    Subcommand{"recent", "", "list the recent projects", listRecent},
    Subcommand{"info", "", "show the programmer's version and serial number", programmerInfo},
    Subcommand{"search", "", "look for the programmer on COM1..COM8", searchProgrammer},
    Subcommand{"ports", "[--probe]", "list the serial devices, their COM numbers and access; --probe finds the box",
               listPorts, true},
    Subcommand{"firmware-update", "[--reduced] [--image FILE]", "update the programmer's firmware", firmwareUpdate},
    Subcommand{"signature", "--device NAME", "read and identify the chip's signature", chipSignature},
    Subcommand{"calibration", "--device NAME", "read the chip's calibration bytes", chipCalibration},
    Subcommand{"program-flash", "FILE --device NAME", "write an image into the chip's Flash", chipProgramFlash},
    Subcommand{"program-eeprom", "FILE --device NAME", "write an image into the chip's Eeprom", chipProgramEeprom},
    Subcommand{"read-flash", "FILE --device NAME", "read the chip's Flash into a file", chipReadFlash},
    Subcommand{"read-eeprom", "FILE --device NAME", "read the chip's Eeprom into a file", chipReadEeprom},
    Subcommand{"verify-flash", "FILE --device NAME", "compare the chip's Flash with an image", chipVerifyFlash},
    Subcommand{"verify-eeprom", "FILE --device NAME", "compare the chip's Eeprom with an image", chipVerifyEeprom},
    Subcommand{"blank-check", "--device NAME", "tell whether the chip's Flash is erased (exit 0: blank)",
               chipBlankCheck},
    Subcommand{"erase", "--device NAME", "erase the chip", chipErase},
    Subcommand{"fuses", "--device NAME", "read the lock, fuse and boot-lock bits", chipFuses},
    Subcommand{"fuses-write", "[--lock N] [--no-fuses] [BIT...] --device NAME",
               "program the lock mode and the named bits (the others unprogrammed)", chipFusesWrite},
    Subcommand{"fuses-verify", "[--lock N] [BIT...] --device NAME", "compare the chip's bits with a setting",
               chipFusesVerify},
    Subcommand{"power-of-2", "--device NAME", "switch an AT45 DataFlash to power-of-2 pages for ever", chipPowerOfTwo},
    Subcommand{"autoprogram",
               "--project FILE [--com N,N,...] [--count N] [--no-wait] [--save-serial] [--serial-sequence NAME] "
               "[--log FILE]",
               "run the project's production sequence on one chip or N chips, on one box or several at once",
               chipAutoProgram},
    Subcommand{"records",
               "[--since T] [--until T] [--serial N] [--device NAME] [--station S] [--failed] [--limit N] [--csv] "
               "[--summary [--by day|station|device|box]]",
               "list the chips' production records, newest first (--json: one array), or count them good and failed "
               "with the yield",
               listRecords, true},
    Subcommand{"sequence", "NAME [--set N [--force]]",
               "show a serial number sequence, or set its next number (back only with --force)", showOrSetSequence,
               true},
};

} // namespace

std::span<const Subcommand> subcommands()
{
    return kSubcommands;
}

const Subcommand* findSubcommand(const std::string& name)
{
    for (const Subcommand& command : kSubcommands) {
        if (name == command.name)
            return &command;
    }
    return nullptr;
}

void printUsage(std::ostream& out)
{
    out << "Usage: quorva-cli [options] <command> [arguments]\n"
           "\n"
           "Controls the QUORVA in-system programmer from the command line.\n"
           "\n"
           "Commands:\n";
    for (const Subcommand& command : kSubcommands) {
        std::string head = std::string(command.name) + (*command.arguments ? " " : "") + command.arguments;
        head.resize(std::max<std::size_t>(head.size() + 2, 24), ' ');
        out << "  " << head << command.summary << '\n';
    }
    out << "\n"
           "Options:\n"
           "  --settings FILE         use this settings file (default: $QUORVA_SETTINGS,\n"
           "                          else ~/.config/quorva/quorva.ini)\n"
           "  --lang en|ru            language of this run's messages\n"
           "  --yes, -y               answer every question with Yes/OK\n"
           "  --no, -n                answer every question with No/Cancel\n"
           "  --trace FILE            log every byte to and from the programmer\n"
           "  --json                  one JSON object per event (status, box, question,\n"
           "                          progress, result) on standard output\n"
           "  --com N                 the programmer's COM number (default: the settings)\n"
           "  --port PATH             the device of that COM number (default: [Ports] COMn,\n"
           "                          else /dev/ttyUSB<n-1>)\n"
           "  --baud RATE             19200, 115200 or 921600 (default: the settings)\n"
           "  --fixed-waits           after each write wait the device table's fixed delay\n"
           "                          instead of asking the chip when it is done: for a box\n"
           "                          or a part that misbehaves (also [Connect] FixedWaits=1)\n"
           "  --records WHERE         the production records: an SQLite file, a postgresql://\n"
           "                          URL, service=NAME, or off (default: [Production]\n"
           "                          Database=, else $XDG_DATA_HOME/quorva/production.sqlite)\n"
           "  --help, -h              show this help\n"
           "  --version, -V           show the program version\n";
}

void printVersion(std::ostream& out)
{
    out << "quorva-cli " << messageText(1016, false) << '\n';
}

int runCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err, std::istream& in,
           bool inputIsTerminal, bool outputIsTerminal)
{
    const ParsedOptions parsed = parseCliOptions(argc, argv);
    if (!parsed.options) {
        err << "quorva-cli: " << parsed.error << "\n";
        printUsage(err);
        return kExitUsage;
    }
    const CliOptions& options = *parsed.options;
    if (options.help) {
        printUsage(out);
        return kExitOk;
    }
    if (options.version) {
        printVersion(out);
        return kExitOk;
    }
    if (options.command.empty()) {
        printUsage(err);
        return kExitUsage;
    }
    const Subcommand* command = findSubcommand(options.command);
    if (!command) {
        err << "quorva-cli: unknown command " << shownArgument(options.command) << "\n";
        printUsage(err);
        return kExitUsage;
    }
    // The byte port reads the trace file's name from the environment.
    if (options.tracePath)
        setenv("QUORVA_TRACE", options.tracePath->c_str(), 1); // NOLINT(concurrency-mt-unsafe): no other thread yet

    SettingsStore settings(options.settingsPath.value_or(defaultSettingsPath()));
    setRussianUi(options.russian.value_or(settings.getInt(kRussianKey) != 0));
    ConsoleUi ui(out, err, in, inputIsTerminal, outputIsTerminal);
    ui.setAnswerPolicy(options.answers);
    ui.setJsonEvents(options.json);
    CliContext context{options, settings, ui, out, err};
    int status = command->run(context);
    status = status < 0 ? kExitFailed : status;
    // A failed command printed no document, so its result event is the one.
    if (options.json && !(command->printsJsonDocument && status == kExitOk))
        ui.emitEvent("result", "\"command\":" + jsonString(command->name) + ",\"status\":" + std::to_string(status));
    return status;
}

} // namespace quorva::cli

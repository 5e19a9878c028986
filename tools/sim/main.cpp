// quorva-sim: a simulated programmer box with a chip on its target, served on
// a pseudo-terminal linked under a chosen path.

#include "box.h"
#include "part_info.h"
#include "firmware_image.h"
#include "pty_server.h"
#include "serial_flash_chip.h"
#include "state_files.h"

#include "base/clock.h"

#include <atomic>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <sys/prctl.h>
#include <vector>

using namespace quorva;
using namespace quorva::sim;

namespace {

std::atomic<bool> stopRequested{false};
std::atomic<bool> powerCycleRequested{false};

void onStop(int)
{
    stopRequested = true;
}

void onPowerCycle(int)
{
    powerCycleRequested = true;
}

void usage(std::ostream& out = std::cerr)
{
    out << "usage: quorva-sim --link PATH [options]\n"
           "       quorva-sim --write-firmware FILE [--firmware-code CODE] [--version-text TEXT]\n"
           "       quorva-sim --list-chips | --help | --version\n"
           "options:\n"
           "  --chip NAME             part on the target (default ATmega8; device-table names work)\n"
           "  --state-in DIR          load memories, fuses and lock from DIR (chip.json, *.bin)\n"
           "  --state-out DIR         write them there when stopped\n"
           "  --trace FILE            log every byte and line event\n"
           "  --violations FILE       write what the PC got wrong when stopped\n"
           "  --fault FAULT           silence[=N] stale=0xHH ack=0xCC:N:0xRR polling=K locked\n"
           "                          stays-locked signature=NAME disconnect=N slow=MS\n"
           "                          slow-chip=N (writes N times slower) never-ready (repeatable)\n"
           "  --firmware-code CODE    code the firmware reports (default 10c; err, ldr, ld2 ...)\n"
           "  --no-firmware           boot loader only: Ping answers '-'\n"
           "  --boot-loader-code CODE ldr (default) or ld2\n"
           "  --ping-star             the firmware answers Ping with '*'\n"
           "  --version-text TEXT     version text of the firmware\n"
           "  --instant               chips write and erase in no time\n"
           "  --busy-polls N          AT26 status reads that see busy after a write or erase\n"
           "                          (default: none after a page program, 2 after an erase)\n"
           "  --pace                  run on the wall clock: replies leave at the line rate,\n"
           "                          the box's and the chip's waits take their time\n"
           "signals: SIGINT/SIGTERM stop, SIGUSR1 power-cycles the box\n";
}

} // namespace

int main(int argc, char** argv)
{
    std::string link, chipName, stateIn, stateOut, tracePath, violationsPath, writeFirmware;
    BoxOptions options;
    int busyPolls = -1;
    std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) {
                std::cerr << "quorva-sim: " << a << " needs a value\n";
                std::exit(2); // NOLINT(concurrency-mt-unsafe): arguments are read before any thread starts
            }
            return args[++i];
        };
        if (a == "--link") link = value();
        else if (a == "--chip") chipName = value();
        else if (a == "--state-in") stateIn = value();
        else if (a == "--state-out") stateOut = value();
        else if (a == "--trace") tracePath = value();
        else if (a == "--violations") violationsPath = value();
        else if (a == "--write-firmware") writeFirmware = value();
        else if (a == "--firmware-code") options.firmwareCode = value();
        else if (a == "--no-firmware") options.firmwareInstalled = false;
        else if (a == "--boot-loader-code") options.bootLoaderCode = value();
        else if (a == "--ping-star") options.pingAnswer = '*';
        else if (a == "--version-text") options.versionText = value();
        else if (a == "--instant") options.instantWrites = true;
        else if (a == "--pace")
            options.paced = true;
        else if (a == "--busy-polls") {
            const std::string text = value();
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), busyPolls);
            if (error != std::errc{} || end != text.data() + text.size() || busyPolls < 0) {
                std::cerr << "quorva-sim: --busy-polls needs a count, not " << text << "\n";
                return 2;
            }
        } else if (a == "--fault") {
            std::string error;
            if (!parseFault(value(), options.faults, &error)) {
                std::cerr << "quorva-sim: " << error << "\n";
                return 2;
            }
        } else if (a == "--help" || a == "-h") {
            usage(std::cout);
            return 0;
        } else if (a == "--version") {
            std::cout << "quorva-sim " << QUORVA_VERSION << "\n";
            return 0;
        } else if (a == "--list-chips") {
            for (const PartInfo& part : chipDatabase())
                std::cout << part.name << (part.aliases[0] ? std::string("  (") + part.aliases + ")" : "") << "\n";
            return 0;
        } else {
            usage();
            return 2;
        }
    }

    if (!writeFirmware.empty()) {
        const auto image = makeFirmwareImage(options.firmwareCode, options.versionText);
        std::ofstream out(writeFirmware, std::ios::binary);
        out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        return out ? 0 : 1;
    }
    if (link.empty()) {
        usage();
        return 2;
    }

    ChipState loaded;
    if (!stateIn.empty()) {
        std::string error, savedName;
        if (!loadState(stateIn, savedName, loaded, &error)) {
            std::cerr << "quorva-sim: " << error << "\n";
            return 1;
        }
        if (chipName.empty())
            chipName = savedName;
    }
    if (chipName.empty())
        chipName = "ATmega8";
    const PartInfo* part = findChip(chipName);
    if (!part) {
        std::cerr << "quorva-sim: unknown chip " << chipName << " (--list-chips lists them)\n";
        return 2;
    }
    auto chip = makeChip(*part);
    if (!stateIn.empty()) {
        std::string error;
        if (!chip->setState(loaded, &error)) {
            std::cerr << "quorva-sim: " << error << "\n";
            return 1;
        }
    }
    if (busyPolls >= 0) {
        if (auto* flash = dynamic_cast<SerialFlashChip*>(chip.get()))
            flash->setBusyPolls(busyPolls);
    }

    Box box(realClock(), std::move(chip), options);
    std::ofstream trace;
    if (!tracePath.empty()) {
        trace.open(tracePath, std::ios::app);
        box.setTrace([&trace](const std::string& line) { trace << line << '\n' << std::flush; });
    }

    PtyServer server(box);
    std::string error;
    if (!server.open(link, &error)) {
        std::cerr << "quorva-sim: " << error << "\n";
        return 1;
    }
    std::signal(SIGINT, onStop);
    std::signal(SIGTERM, onStop);
    std::signal(SIGUSR1, onPowerCycle);
    std::cout << "quorva-sim: " << part->name << " on " << server.linkPath() << " -> " << server.slavePath()
              << std::endl;

    if (options.paced) {
        // Sleeps of a few microseconds, as a byte at 921600 baud takes,
        // would otherwise each last the kernel's default slack of 50 us.
        ::prctl(PR_SET_TIMERSLACK, 1000UL, 0UL, 0UL, 0UL);
    }
    server.serve(stopRequested, &powerCycleRequested);

    int status = 0;
    if (!stateOut.empty() && !saveState(stateOut, part->name, box.chip().state(), &error)) {
        std::cerr << "quorva-sim: " << error << "\n";
        status = 1;
    }
    const std::string report = box.violationReport();
    if (!violationsPath.empty()) {
        std::ofstream out(violationsPath, std::ios::trunc);
        out << report;
    }
    if (!report.empty())
        std::cerr << "quorva-sim: protocol violations:\n" << report;
    return status;
}

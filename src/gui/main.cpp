// quorva: the program's own start-up. It decides the front end before any
// toolkit starts, so a production PC without a desktop needs no display.
// Until the window is built the production start-ups run on the console.
#include "base/console_ui.h"
#include "base/messages.h"
#include "link/serial_port.h"
#include "link/tracing_port.h"
#include "shell/app_controller.h"
#include "shell/front_end_choice.h"
#include "shell/quiet_ui.h"
#include "shell/recent_projects.h"

#include <iostream>
#include <memory>
#include <optional>
#include <string_view>
#include <unistd.h>

using namespace quorva;

namespace {

void printUsage(std::ostream& out)
{
    out << "Usage: quorva [\"PROJECT\"] [-autoprogram | -quietautoprogram]\n"
           "\n"
           "The QUORVA in-system programmer. With a project and -autoprogram it runs the\n"
           "project's production sequence; with -quietautoprogram it does so without asking\n"
           "anything and logs the outcome to log.txt in the current folder. The exit status\n"
           "is 0 exactly when the run ended \"DONE\".\n"
           "\n"
           "Options:\n"
           "  -autoprogram            run the project's production sequence\n"
           "  -quietautoprogram       the same, unattended, with the outcome in log.txt\n"
           "  --help                  show this text\n"
           "  --version               show the version\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string_view(argv[1]) == "--help") {
        printUsage(std::cout);
        return 0;
    }
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::cout << "quorva " << messageText(1016, false) << '\n';
        return 0;
    }
    const std::string raw = rawCommandLine(argc, argv);
    SettingsStore store(defaultSettingsPath());
    RecentProjects recent;
    recent.loadRecent(store);
    const StartPlan plan = planStart(store, recent, raw);
    const FrontEnd frontEnd = chooseFrontEnd(plan.mode, displayAvailable(processEnvironment()));
    if (frontEnd == FrontEnd::NeedsDisplay) {
        std::cerr << "quorva: the main window needs a display (DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM).\n"
                     "Without one run a production start-up:  quorva \"board.kx2\" -autoprogram\n"
                     "                                   or:  quorva \"board.kx2\" -quietautoprogram\n"
                     "or use quorva-cli for every other command (quorva-cli --help).\n";
        return 2;
    }
    if (!plan.mode.autoRun) {
        std::cerr << "quorva: the main window is not available in this build.\n"
                     "Run a production start-up with a project:  quorva \"board.kx2\" -autoprogram\n"
                     "                                      or:  quorva \"board.kx2\" -quietautoprogram\n"
                     "or use quorva-cli for every other command (quorva-cli --help).\n";
        return 2;
    }

    Clock& clock = realClock();
    QuietLog log;
    std::unique_ptr<Ui> ui;
    if (plan.mode.quietRun) {
        // Nobody is there to answer: what happens before the log opens is
        // written right after its start line.
        log.holdLinesUntilOpen();
        ui = std::make_unique<QuietUi>(log, clock);
    } else {
        const bool terminal = isatty(STDIN_FILENO) != 0;
        auto console = std::make_unique<ConsoleUi>(std::cout, std::cerr, std::cin, terminal,
                                                   isatty(STDOUT_FILENO) != 0, clock);
        // A script gets the safe answer to every question.
        console->setAnswerPolicy(terminal ? AnswerPolicy::Prompt : AnswerPolicy::No);
        ui = std::move(console);
    }

    SerialPort serial([&store](int comNumber) { return store.portPath(comNumber); });
    const std::shared_ptr<Trace> trace = Trace::fromEnvironment();
    std::optional<TracingPort> traced;
    std::optional<TracingClock> tracedClock;
    if (trace) {
        serial.setTrace(trace);
        traced.emplace(serial, trace);
        tracedClock.emplace(clock, trace);
    }
    BytePort& port = traced ? static_cast<BytePort&>(*traced) : serial;
    Clock& usedClock = tracedClock ? static_cast<Clock&>(*tracedClock) : clock;

    AppController controller(*ui, store, port, usedClock, log);
    const StartupOutcome outcome = controller.startUp(raw);
    const bool ok = outcome.autoRun && controller.runStartupAutoProgram(outcome.quietRun);
    controller.shutDown();
    // Production scripts need the outcome as the exit status.
    return ok ? 0 : 1;
}

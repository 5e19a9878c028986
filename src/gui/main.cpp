// quorva: the program's own start-up. It decides the front end before any
// toolkit starts, so a production PC without a desktop needs no display.
#include "app_icon.h"
#include "base/console_ui.h"
#include "base/interrupt_guard.h"
#include "base/messages.h"
#include "link/serial_port.h"
#include "link/tracing_port.h"
#include "shell/app_controller.h"
#include "shell/front_end_choice.h"
#include "shell/quiet_ui.h"
#include "shell/recent_projects.h"
#include "window_program.h"

#include <QApplication>

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
           "The QUORVA in-system programmer. It opens its window on the project (or the\n"
           "most recent one). With a project and -autoprogram it runs the project's\n"
           "production sequence in the window, or on the terminal where there is no\n"
           "display; with -quietautoprogram it does so without asking anything, never\n"
           "needs a display, and logs the outcome to log.txt in the current folder. The\n"
           "exit status of a production run is 0 exactly when it ended \"DONE\".\n"
           "\n"
           "A display is there when DISPLAY or WAYLAND_DISPLAY names one, or QT_QPA_PLATFORM\n"
           "names a Qt platform (e.g. offscreen); an empty value counts as none.\n"
           "\n"
           "Options:\n"
           "  -autoprogram            run the project's production sequence\n"
           "  -quietautoprogram       the same, unattended, with the outcome in log.txt\n"
           "  --help                  show this text\n"
           "  --version               show the version\n";
}

// The window: the start-up and every command run on the command thread, the
// window renders and forwards. -autoprogram shows the window while the run
// goes on and ends with the run's outcome as the exit status.
int runWindow(int argc, char** argv, const std::string& raw, SettingsStore& store, BytePort& port, Clock& clock)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorva"));
    QApplication::setApplicationVersion(QString::fromLatin1(QUORVA_VERSION));
    QApplication::setWindowIcon(gui::quorvaIcon());

    gui::WindowProgram program(store, port, clock);
    program.controller.keepRecords(productionRecords(store));
    int exitStatus = 0;
    bool done = false;
    program.startUp(raw, [&](const StartupOutcome& outcome) {
        if (!outcome.autoRun)
            return;
        program.window.submit([&] { done = program.controller.runStartupAutoProgram(false); },
                              [&] {
                                  exitStatus = done ? 0 : 1;
                                  program.window.close();
                              });
    });
    QApplication::exec();
    return exitStatus;
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

    Clock& clock = realClock();
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

    if (frontEnd == FrontEnd::Window)
        return runWindow(argc, argv, raw, store, port, usedClock);

    QuietLog log;
    std::unique_ptr<Ui> ui;
    std::optional<InterruptGuard> interrupt;
    if (plan.mode.quietRun) {
        // Nobody is there to answer: what happens before the log opens is
        // written right after its start line.
        log.holdLinesUntilOpen();
        // Ctrl-C cancels the running step, and the log says which one,
        // instead of ending the process without an outcome line.
        interrupt.emplace(true);
        ui = std::make_unique<QuietUi>(log, clock, &InterruptGuard::requested());
    } else {
        const bool terminal = isatty(STDIN_FILENO) != 0;
        auto console = std::make_unique<ConsoleUi>(std::cout, std::cerr, std::cin, terminal,
                                                   isatty(STDOUT_FILENO) != 0, clock);
        // A script gets the safe answer to every question.
        console->setAnswerPolicy(terminal ? AnswerPolicy::Prompt : AnswerPolicy::No);
        ui = std::move(console);
    }

    AppController controller(*ui, store, port, usedClock, log);
    controller.keepRecords(productionRecords(store));
    const StartupOutcome outcome = controller.startUp(raw);
    const bool ok = outcome.autoRun && controller.runStartupAutoProgram(outcome.quietRun);
    controller.shutDown();
    // Production scripts need the outcome as the exit status.
    return ok ? 0 : 1;
}

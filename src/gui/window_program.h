#pragma once

#include "command_runner.h"
#include "main_window.h"
#include "qt_ui.h"
#include "shell/app_controller.h"

#include <string>

namespace quorva::gui {

// The windowed program over one byte port: the Qt Ui, the controller, its
// command thread and the main window, wired to each other and to the
// window's dialogs. main() runs one; tests and benchmarks build their own.
class WindowProgram {
    bool shown_ = false; // first: the Ui's status sink reads it

public:
    WindowProgram(SettingsStore& store, BytePort& port, Clock& clock);

    // Runs the start-up on the command thread; then shows the window.
    void startUp(const std::string& rawCommandLine, std::function<void(const StartupOutcome&)> then = {});
    // Waits in an event loop until the command thread has nothing left to do.
    void waitIdle();

    QtUi ui;
    QuietLog log;
    AppController controller;
    CommandRunner runner;
    MainWindow window;

private:
    StartupOutcome outcome_;
};

} // namespace quorva::gui

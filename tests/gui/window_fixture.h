#pragma once

#include "base/clock.h"
#include "gui/window_program.h"
#include "modal_answerer.h"
#include "shell/app_controller.h"
#include "temp_folder.h"

#include "box.h"
#include "sim_port.h"

#include <QString>

#include <gtest/gtest.h>

namespace quorva::test {

// The real window over the controller, the command thread and an
// in-process simulated box with an ATmega8.
class WindowFixture : public ::testing::Test {
protected:
    WindowFixture();
    ~WindowFixture() override;

    void startUp(const std::string& commandLine = "\"quorva\"");
    // Lets the GUI thread run until the command thread has nothing left to do.
    void idle();
    void click(int id);
    void dropFiles(const QStringList& paths, QWidget& onto);
    template <typename T>
    T* control(int id)
    {
        return window.findChild<T*>(QString::number(id));
    }
    QAction* action(int id);
    std::string writeHex(const std::string& name, int bytes);

    TempFolder folder;
    std::string settingsPath = folder.file("quorva.ini");
    SettingsStore store{settingsPath};
    RecordingClock clock;
    sim::Box box;
    sim::SimPort port{clock};
    gui::WindowProgram program{store, port, clock};
    gui::QtUi& ui = program.ui;
    AppController& controller = program.controller;
    gui::CommandRunner& runner = program.runner;
    gui::MainWindow& window = program.window;
    ModalAnswerer person;
};

} // namespace quorva::test

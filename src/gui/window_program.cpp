#include "window_program.h"

#include "lock_fuse_dialog.h"
#include "project_settings_dialog.h"

#include <QEventLoop>

namespace quorva::gui {

WindowProgram::WindowProgram(SettingsStore& store, BytePort& port, Clock& clock)
    : ui(store, clock,
         [this](const std::string& text) {
             // Until the window shows, the start-up's texts reach it with its first render.
             if (shown_)
                 window.showStatus(text);
         }),
      controller(ui, store, port, clock, log), window(controller, runner)
{
    ui.setOwner(&window);
    ui.setLockFuseDialog([this](QWidget* owner, LockFuseState& setting, int device, bool direct) {
        return execLockFuseDialog(owner, ui, setting, device, direct, &controller);
    });
    // The command thread waits in the dialog meanwhile, so the connection is free.
    ui.setProgrammerSearch([this] { return controller.connection().searchProgrammer(); });
    ui.setProjectSettingsDialog([this](QWidget* owner, Project& project, int& device) {
        return execProjectSettingsDialog(owner, ui, project, device, &controller);
    });
}

void WindowProgram::startUp(const std::string& rawCommandLine, std::function<void(const StartupOutcome&)> then)
{
    window.submit([this, rawCommandLine] { outcome_ = controller.startUp(rawCommandLine); },
                  [this, then = std::move(then)] {
                      shown_ = true;
                      window.show();
                      if (then)
                          then(outcome_);
                  });
}

void WindowProgram::waitIdle()
{
    if (!runner.busy())
        return;
    QEventLoop loop;
    QObject::connect(&runner, &CommandRunner::finished, &loop, [this, &loop] {
        if (!runner.busy())
            loop.quit();
    });
    loop.exec();
}

} // namespace quorva::gui

#include "link_opener.h"

#include "base/messages.h"
#include "base/ui.h"
#include "shell/link_failure.h"

#include <QProcess>
#include <QStringList>

namespace quorva::gui {
namespace {

constexpr int kBoxCaption = 1025;

} // namespace

void openLink(QObject& owner, Ui& ui, const std::string& target)
{
    if (ui.openDocument(target))
        return;
    // xdg-open may wait for the program it starts, so its answer is taken
    // when it comes instead of holding the window.
    auto* process = new QProcess(&owner);
    auto warn = [&ui](int status) {
        ui.showMessage(BoxIcon::Warning, messageText(kBoxCaption), linkFailureText(status));
    };
    QObject::connect(process, &QProcess::errorOccurred, process, [process, warn](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        warn(kLinkOpenerMissing);
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::finished, process,
                     [process, warn](int exitCode, QProcess::ExitStatus exitStatus) {
                         if (exitStatus == QProcess::CrashExit || exitCode != 0)
                             warn(exitCode);
                         process->deleteLater();
                     });
    process->start(QStringLiteral("xdg-open"), QStringList{QString::fromStdString(target)});
}

} // namespace quorva::gui

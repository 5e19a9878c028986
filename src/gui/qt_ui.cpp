#include "qt_ui.h"

#include "dialog_parts.h"
#include "file_dialog_filter.h"
#include "gui_dialogs.h"
#include "gui_thread.h"
#include "load_address_dialog.h"
#include "production_records_dialog.h"
#include "production_window.h"
#include "progress_window.h"

#include "base/desktop_opener.h"
#include "shell/production_station_model.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include <filesystem>
#include <vector>

namespace quorva::gui {

namespace {

// xdg-open answers at once when it fails; a handler it still waits for
// after this long has been found.
constexpr int kDesktopPatienceMs = 3000;

QMessageBox::Icon boxIcon(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::Information:
        return QMessageBox::Information;
    case BoxIcon::Warning:
        return QMessageBox::Warning;
    case BoxIcon::Error:
    case BoxIcon::Stop:
        return QMessageBox::Critical;
    case BoxIcon::Question:
        return QMessageBox::Question;
    case BoxIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// The buttons carry the catalogue's captions, so that a box speaks the
// window's language whatever language Qt itself was left in.
struct BoxButton {
    QMessageBox::StandardButton button;
    Answer answer;
    int captionId;
};

constexpr int kYesCaption = 2020;
constexpr int kNoCaption = 1006;
constexpr int kCancelCaption = 2021;
constexpr int kOkCaption = 2022;

std::vector<BoxButton> boxButtons(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok:
        return {{QMessageBox::Ok, Answer::Ok, kOkCaption}};
    case Buttons::OkCancel:
        return {{QMessageBox::Ok, Answer::Ok, kOkCaption}, {QMessageBox::Cancel, Answer::Cancel, kCancelCaption}};
    case Buttons::YesNo:
        return {{QMessageBox::Yes, Answer::Yes, kYesCaption}, {QMessageBox::No, Answer::No, kNoCaption}};
    case Buttons::YesNoCancel:
        break;
    }
    return {{QMessageBox::Yes, Answer::Yes, kYesCaption},
            {QMessageBox::No, Answer::No, kNoCaption},
            {QMessageBox::Cancel, Answer::Cancel, kCancelCaption}};
}

QString qt(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

QtUi::QtUi(SettingsStore& store, Clock& clock, std::function<void(const std::string&)> status)
    : store_(store), clock_(clock), status_(std::move(status))
{
}

void QtUi::setStatus(const std::string& text)
{
    runOnGuiThread([&] { status_(text); });
}

void QtUi::showMessage(BoxIcon icon, const std::string& caption, const std::string& text)
{
    runOnGuiThread([&] {
        QMessageBox box(boxIcon(icon), qt(caption), qt(text), QMessageBox::Ok, owner_);
        box.button(QMessageBox::Ok)->setText(uiText(kOkCaption));
        box.exec();
    });
}

Answer QtUi::ask(Buttons buttons, BoxIcon icon, int defaultButton, const std::string& caption, const std::string& text)
{
    return runOnGuiThread([&] {
        const std::vector<BoxButton> choices = boxButtons(buttons);
        QMessageBox box(boxIcon(icon), qt(caption), qt(text), QMessageBox::NoButton, owner_);
        for (const BoxButton& choice : choices)
            box.addButton(choice.button)->setText(uiText(choice.captionId));
        const std::size_t preferred = defaultButton >= 0 && static_cast<std::size_t>(defaultButton) < choices.size()
                                          ? static_cast<std::size_t>(defaultButton)
                                          : 0;
        box.setDefaultButton(choices[preferred].button);
        // Escape answers Cancel where there is one, else nothing, as the buttons say.
        if (buttons == Buttons::OkCancel || buttons == Buttons::YesNoCancel)
            box.setEscapeButton(QMessageBox::Cancel);
        const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
        for (const BoxButton& choice : choices)
            if (choice.button == pressed)
                return choice.answer;
        return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    });
}

std::optional<std::string> QtUi::chooseFile(const FileChooser& chooser, bool save)
{
    return runOnGuiThread([&]() -> std::optional<std::string> {
        QFileDialog dialog(owner_, qt(chooser.title));
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setNameFilters(qt(qtNameFilters(chooser.filter)).split(QStringLiteral(";;"), Qt::SkipEmptyParts));
        if (!chooser.defaultExtension.empty())
            dialog.setDefaultSuffix(qt(chooser.defaultExtension));
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !chooser.confirmOverwrite);
        if (!chooser.initialPath.empty()) {
            const QFileInfo initial(qt(chooser.initialPath));
            if (initial.isDir())
                dialog.setDirectory(initial.absoluteFilePath());
            else {
                dialog.setDirectory(initial.absolutePath());
                dialog.selectFile(initial.fileName());
            }
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().front().toStdString();
    });
}

std::optional<std::string> QtUi::chooseOpenFile(const FileChooser& chooser)
{
    return chooseFile(chooser, false);
}

std::optional<std::string> QtUi::chooseSaveFile(const FileChooser& chooser)
{
    return chooseFile(chooser, true);
}

void QtUi::setWaitCursor(bool on)
{
    runOnGuiThread([&] {
        if (on) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            ++waitCursors_;
        } else if (waitCursors_ > 0) {
            QApplication::restoreOverrideCursor();
            --waitCursors_;
        }
    });
}

void QtUi::beep()
{
    runOnGuiThread([] { QApplication::beep(); });
}

bool QtUi::openDocument(const std::string& pathOrUrl)
{
    const QString target = qt(pathOrUrl);
    // A link names its scheme; anything else is a file, relative to the
    // current folder.
    const bool link = target.contains(QLatin1Char(':'));
    const QString absolute = link ? target : QFileInfo(target).absoluteFilePath();
    // A command may wait for the desktop's answer, so that a page nobody
    // can show is reported; the GUI thread (a link in a dialog) must not.
    if (!onGuiThread())
        return openWithDesktop(absolute.toStdString(), clock_, kDesktopPatienceMs);
    return QDesktopServices::openUrl(link ? QUrl(target) : QUrl::fromLocalFile(absolute));
}

int QtUi::runOperation(Operation& op)
{
    return runOnGuiThread([&] { return ProgressWindow::run(op, owner_); });
}

bool QtUi::boardSettingsDialog(int& comPort, int& highSpeed)
{
    return runOnGuiThread([&] { return execBoardSettingsDialog(owner_, store_, comPort, highSpeed, search_); });
}

bool QtUi::advancedDelaysDialog(std::array<int, 4>& delays)
{
    return runOnGuiThread([&] { return execAdvancedDelaysDialog(owner_, delays); });
}

bool QtUi::languageDialog(bool& russian)
{
    return runOnGuiThread([&] { return execLanguageDialog(owner_, russian); });
}

bool QtUi::loadAddressDialog(int& address)
{
    return runOnGuiThread([&] { return execLoadAddressDialog(owner_, *this, address); });
}

bool QtUi::selfProgramSettingsDialog(const std::string& currentVersion, const std::string& newVersion,
                                     bool& normalSpeed)
{
    return runOnGuiThread(
        [&] { return execSelfProgramSettingsDialog(owner_, currentVersion, newVersion, normalSpeed); });
}

bool QtUi::projectSettingsDialog(Project& project, int& deviceIndex)
{
    return runOnGuiThread([&] { return projectSettings_ && projectSettings_(owner_, project, deviceIndex); });
}

bool QtUi::lockFuseDialog(LockFuseState& setting, int deviceIndex, bool directMode)
{
    return runOnGuiThread([&] { return lockFuse_ && lockFuse_(owner_, setting, deviceIndex, directMode); });
}

void QtUi::aboutBox()
{
    runOnGuiThread([&] { execAboutBox(owner_, *this); });
}

void QtUi::productionStation(ProductionStationModel& station)
{
    const std::string name = std::filesystem::path(station.projectPath()).filename().string();
    runOnGuiThread([&] { execProductionWindow(owner_, *this, station, name.c_str()); });
}

void QtUi::productionRecordsWindow(ProductionRecordsModel& model)
{
    runOnGuiThread([&] { execProductionRecordsDialog(owner_, model); });
}

} // namespace quorva::gui

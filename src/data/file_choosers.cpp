#include "file_choosers.h"

#include "image_limits.h"

#include <filesystem>
#include <system_error>

namespace quorva {

namespace {

bool named(const std::string& file)
{
    return !file.empty() && file != kUnspecifiedFile;
}

} // namespace

std::string chooserStart(const std::string& currentFile, const std::string& remembered, const std::string& projectFile)
{
    if (named(currentFile))
        return currentFile;
    if (!remembered.empty() && remembered != kUntitled)
        return remembered;
    if (named(projectFile)) {
        std::error_code error;
        const std::filesystem::path project = std::filesystem::absolute(projectFile, error);
        if (!error)
            return (project.parent_path() / kUntitled).string();
    }
    return kUntitled;
}

RememberingChooser::RememberingChooser(Kind kind, std::string filter, std::string defaultExtension) : kind_(kind)
{
    settings_.filter = std::move(filter);
    settings_.defaultExtension = std::move(defaultExtension);
    settings_.initialPath = kUntitled;
    settings_.confirmOverwrite = kind == Kind::Save;
}

std::optional<std::string> RememberingChooser::choose(Ui& ui, const std::string& currentFile,
                                                      const std::string& projectFile)
{
    FileChooser shown = settings_;
    shown.initialPath = chooserStart(currentFile, settings_.initialPath, projectFile);
    auto path = kind_ == Kind::Open ? ui.chooseOpenFile(shown) : ui.chooseSaveFile(shown);
    if (path)
        settings_.initialPath = *path;
    return path;
}

RememberingChooser flashOpenChooser()
{
    return {RememberingChooser::Kind::Open, kFlashOpenFilter, kFlashExtension};
}

RememberingChooser flashSaveChooser()
{
    return {RememberingChooser::Kind::Save, kFlashSaveFilter, kFlashExtension};
}

RememberingChooser eepromOpenChooser()
{
    return {RememberingChooser::Kind::Open, kEepromFilter, kEepromExtension};
}

RememberingChooser eepromSaveChooser()
{
    return {RememberingChooser::Kind::Save, kEepromFilter, kEepromExtension};
}

RememberingChooser projectOpenChooser()
{
    return {RememberingChooser::Kind::Open, kProjectOpenFilter, kProjectExtension};
}

RememberingChooser projectSaveChooser()
{
    return {RememberingChooser::Kind::Save, kProjectSaveFilter, kProjectExtension};
}

} // namespace quorva

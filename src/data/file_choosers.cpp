#include "file_choosers.h"

namespace quorva {

RememberingChooser::RememberingChooser(Kind kind, std::string filter, std::string defaultExtension) : kind_(kind)
{
    settings_.filter = std::move(filter);
    settings_.defaultExtension = std::move(defaultExtension);
    settings_.initialPath = kUntitled;
    settings_.confirmOverwrite = kind == Kind::Save;
}

std::optional<std::string> RememberingChooser::choose(Ui& ui)
{
    auto path = kind_ == Kind::Open ? ui.chooseOpenFile(settings_) : ui.chooseSaveFile(settings_);
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

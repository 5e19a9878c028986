#include "settings_store.h"

#include "base/ini_document.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace quorva {

std::string defaultSettingsPath()
{
    if (const char* explicitPath = std::getenv("QUORVA_SETTINGS"); explicitPath && *explicitPath)
        return explicitPath;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return std::string(config) + "/quorva/quorva.ini";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/quorva/quorva.ini";
}

SettingsStore::SettingsStore(std::string path) : file_(std::move(path)) {}

bool SettingsStore::ensureFolder() const
{
    const std::filesystem::path folder = std::filesystem::path(path()).parent_path();
    if (folder.empty())
        return true;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return !error;
}

int SettingsStore::getInt(const SettingKey& key) const
{
    return file_.getInt(key.section, key.key, key.defaultValue);
}

int SettingsStore::getInt(const char* section, const char* key, int fallback) const
{
    return file_.getInt(section, key, fallback);
}

std::string SettingsStore::getString(const char* section, const char* key, const std::string& fallback) const
{
    return file_.getString(section, key, fallback);
}

bool SettingsStore::setInt(const char* section, const char* key, int value)
{
    return ensureFolder() && file_.setInt(section, key, value);
}

bool SettingsStore::setString(const char* section, const char* key, const std::string& value)
{
    return ensureFolder() && file_.setString(section, key, value);
}

IniEdit SettingsStore::edit()
{
    return IniEdit(path());
}

bool SettingsStore::commit(IniEdit& edit)
{
    return ensureFolder() && edit.commit();
}

Settings SettingsStore::readAtStartup() const
{
    const IniDocument document = read();
    const auto get = [&](const SettingKey& key) { return document.getInt(key.section, key.key, key.defaultValue); };
    Settings settings;
    settings.highSpeed = get(kHighSpeedKey);
    settings.comPort = get(kComPortKey);
    settings.russianUi = get(kRussianKey) != 0;
    for (std::size_t i = 0; i < kAdvancedDelayKeys.size(); ++i)
        settings.advancedDelays[i] = get(kAdvancedDelayKeys[i]);
    settings.fixedWaits = get(kFixedWaitsKey) != 0;
    return settings;
}

bool SettingsStore::writeConnectionAndLanguage(const Settings& settings)
{
    IniEdit batch = edit();
    writeConnectionAndLanguage(settings, batch);
    return commit(batch);
}

void SettingsStore::writeConnectionAndLanguage(const Settings& settings, IniEdit& batch) const
{
    batch.setInt(kComPortKey.section, kComPortKey.key, settings.comPort);
    batch.setInt(kHighSpeedKey.section, kHighSpeedKey.key, settings.highSpeed);
    batch.setInt(kRussianKey.section, kRussianKey.key, settings.russianUi ? 1 : 0);
}

void SettingsStore::readBoardSettings(int& comPort, int& highSpeed) const
{
    const IniDocument document = read();
    comPort = document.getInt(kComPortKey.section, kComPortKey.key, kComPortKey.defaultValue);
    highSpeed = document.getInt(kHighSpeedKey.section, kHighSpeedKey.key, kHighSpeedKey.defaultValue);
}

bool SettingsStore::writeBoardSettings(int comPort, int highSpeed)
{
    IniEdit batch = edit();
    batch.setInt(kComPortKey.section, kComPortKey.key, comPort);
    batch.setInt(kHighSpeedKey.section, kHighSpeedKey.key, highSpeed);
    return commit(batch);
}

std::array<int, 4> SettingsStore::readAdvancedDelays() const
{
    const IniDocument document = read();
    std::array<int, 4> delays{};
    for (std::size_t i = 0; i < delays.size(); ++i) {
        const SettingKey& key = kAdvancedDelayKeys[i];
        delays[i] = document.getInt(key.section, key.key, key.defaultValue);
    }
    return delays;
}

bool SettingsStore::writeAdvancedDelays(const std::array<int, 4>& delays)
{
    IniEdit batch = edit();
    for (std::size_t i = 0; i < delays.size(); ++i)
        batch.setInt(kAdvancedDelayKeys[i].section, kAdvancedDelayKeys[i].key, delays[i]);
    return commit(batch);
}

bool SettingsStore::fixedWaits() const
{
    return getInt(kFixedWaitsKey) != 0;
}

bool SettingsStore::loadMostRecent() const
{
    return getInt(kLoadMostRecentKey) != 0;
}

bool SettingsStore::setLoadMostRecent(bool on)
{
    return setInt(kLoadMostRecentKey.section, kLoadMostRecentKey.key, on ? 1 : 0);
}

std::string SettingsStore::portPath(int comPort) const
{
    const std::string key = "COM" + std::to_string(comPort);
    std::string mapped = getString(kPortsSection, key.c_str(), "");
    if (!mapped.empty())
        return mapped;
    if (comPort < 1)
        return {};
    return "/dev/ttyUSB" + std::to_string(comPort - 1);
}

bool SettingsStore::setPortPath(int comPort, const std::string& path)
{
    const std::string key = "COM" + std::to_string(comPort);
    return setString(kPortsSection, key.c_str(), path);
}

bool SettingsStore::productionRecordsOn() const
{
    return getInt(kProductionRecordsKey) != 0;
}

std::string SettingsStore::productionDatabase() const
{
    return getString(kProductionSection, kDatabaseKey, "");
}

std::vector<int> SettingsStore::productionBoxes() const
{
    std::vector<int> boxes;
    const std::string text = getString(kProductionSection, "Boxes", "");
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const int com = parseProfileInt(std::string_view(text).substr(at, comma - at));
        // A number no COM port has is a typing slip, not a box.
        if (com >= 1 && com <= 255 && std::find(boxes.begin(), boxes.end(), com) == boxes.end())
            boxes.push_back(com);
        at = comma + 1;
    }
    return boxes;
}

bool SettingsStore::setProductionBoxes(const std::vector<int>& comPorts)
{
    std::string text;
    for (const int com : comPorts)
        text += (text.empty() ? "" : ",") + std::to_string(com);
    return setString(kProductionSection, "Boxes", text);
}

} // namespace quorva

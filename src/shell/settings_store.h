#pragma once

#include "base/ini_file.h"

#include <array>
#include <string>
#include <vector>

namespace quorva {

// One integer key of the settings file with its default.
struct SettingKey {
    const char* section;
    const char* key;
    int defaultValue;
};

inline constexpr SettingKey kComPortKey{"Connect", "COM", 0};
inline constexpr SettingKey kHighSpeedKey{"Connect", "HighSpeed", 0};
inline constexpr std::array<SettingKey, 4> kAdvancedDelayKeys{{
    {"Connect", "Special1", 0}, // pre-read delay, ms
    {"Connect", "Special2", 0}, // page read delay, ms
    {"Connect", "Special3", 0}, // page write delay, ms
    {"Connect", "Special4", 0}, // post-send delay, ms
}};
// 1: wait the device table's fixed delays after each write instead of
// asking the chip whether it is done.
inline constexpr SettingKey kFixedWaitsKey{"Connect", "FixedWaits", 0};
inline constexpr SettingKey kRussianKey{"Language", "Russian", 0};
inline constexpr SettingKey kLoadMostRecentKey{"Recent", "LoadMostRecent", 0};
inline constexpr const char* kRecentSection = "Recent";
inline constexpr const char* kPortsSection = "Ports";
// Production records: Records=0 keeps none; Database= names where they are
// kept (empty: the default SQLite file).
inline constexpr SettingKey kProductionRecordsKey{"Production", "Records", 1};
inline constexpr const char* kProductionSection = "Production";
inline constexpr const char* kDatabaseKey = "Database";

// The marker wherever no file is named.
inline constexpr const char* kUnspecified = "[Unspecified]";

// Line speed codes.
inline constexpr int kLowSpeed = 0;      // 19200 baud
inline constexpr int kStandardSpeed = 1; // 115200 baud
inline constexpr int kUsbSpeed = 2;      // 921600 baud

// The settings held in memory for the whole run.
struct Settings {
    int comPort = 0;
    int highSpeed = 0;
    std::array<int, 4> advancedDelays{};
    bool russianUi = false;
    bool fixedWaits = false;
};

// Where the settings live: $QUORVA_SETTINGS, else
// $XDG_CONFIG_HOME/quorva/quorva.ini, else ~/.config/quorva/quorva.ini.
std::string defaultSettingsPath();

// The per-installation settings file. Every write goes straight to the file;
// the folder is created on the first write. A failed write is not reported
// (the run goes on with the values in memory).
class SettingsStore {
public:
    explicit SettingsStore(std::string path);

    const std::string& path() const { return file_.path(); }

    int getInt(const SettingKey& key) const;
    int getInt(const char* section, const char* key, int fallback) const;
    std::string getString(const char* section, const char* key, const std::string& fallback) const;
    bool setInt(const char* section, const char* key, int value);
    bool setString(const char* section, const char* key, const std::string& value);
    IniDocument read() const { return file_.read(); }
    // Many keys in one replace of the file.
    IniEdit edit();
    bool commit(IniEdit& edit);

    // At start-up: COM, HighSpeed, Russian, the four delays and FixedWaits.
    Settings readAtStartup() const;
    // Right after start-up's reads and at shut-down: COM, HighSpeed, Russian.
    bool writeConnectionAndLanguage(const Settings& settings);
    void writeConnectionAndLanguage(const Settings& settings, IniEdit& edit) const;

    // The Board Settings command reads both again and writes them on OK.
    void readBoardSettings(int& comPort, int& highSpeed) const;
    bool writeBoardSettings(int comPort, int highSpeed);

    // The Advanced Board Settings command.
    std::array<int, 4> readAdvancedDelays() const;
    bool writeAdvancedDelays(const std::array<int, 4>& delays);

    bool loadMostRecent() const;
    bool setLoadMostRecent(bool on);

    bool fixedWaits() const;

    // The device path of COM n: [Ports] COMn when present, else /dev/ttyUSB(n-1);
    // empty for a number below 1 that [Ports] does not map.
    std::string portPath(int comPort) const;
    bool setPortPath(int comPort, const std::string& path);

    // [Production] Records (on unless 0) and Database (may hold a password:
    // show it only masked).
    bool productionRecordsOn() const;
    std::string productionDatabase() const;
    // [Production] Boxes=1,3,4: the COM numbers the production station runs.
    std::vector<int> productionBoxes() const;
    bool setProductionBoxes(const std::vector<int>& comPorts);

private:
    bool ensureFolder() const;

    IniFile file_;
};

} // namespace quorva

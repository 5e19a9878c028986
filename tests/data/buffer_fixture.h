#pragma once

#include "data/memory_buffer.h"
#include "data/project.h"
#include "scripted_ui.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorva::test {

inline constexpr const char* kCaption = "In-System Programmer 11.56";

inline std::string errorBox(const std::string& text)
{
    return std::string("box: error | ") + kCaption + " | " + text;
}

inline std::string question(const std::string& text, const char* answer)
{
    return std::string("ask: yes-no question default 0 | ") + kCaption + " | " + text + " -> " + answer;
}

inline std::vector<std::uint8_t> contentsOf(const MemoryBuffer& buffer)
{
    return {buffer.data().begin(), buffer.data().end()};
}

inline std::vector<std::uint8_t> statesOf(const MemoryBuffer& buffer)
{
    return {buffer.byteState().begin(), buffer.byteState().end()};
}

// The main window's share of the data objects: a project, the two buffers
// bound to it and to recorded labels, as start-up leaves them.
class BufferFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        project.bindBuffers(flash, eeprom);
        project.setView({[this] { ++stateRefreshes; }, [this](bool on) { invertShown.push_back(on); },
                         [this](bool on) { incrementShown.push_back(on); }});
        flash.init(ui, false, [this](const std::string& text) { flashLabel = text; }, &project);
        eeprom.init(ui, true, [this](const std::string& text) { eepromLabel = text; }, &project);
        flash.setPreview([this] { ++flashPreviewRefreshes; });
        flash.clear();
        eeprom.clear();
        ui.clearCalls();
    }

    std::string path(const std::string& name) const { return folder.file(name); }

    std::string put(const std::string& name, const std::string& contents) const
    {
        writeFile(path(name), contents);
        return path(name);
    }

    ScriptedUi ui;
    TempFolder folder;
    Project project{ui};
    MemoryBuffer flash;
    MemoryBuffer eeprom;
    std::string flashLabel;
    std::string eepromLabel;
    int stateRefreshes = 0;
    int flashPreviewRefreshes = 0;
    std::vector<bool> invertShown;
    std::vector<bool> incrementShown;
};

} // namespace quorva::test

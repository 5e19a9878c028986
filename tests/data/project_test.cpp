#include "buffer_fixture.h"
#include "catalogue/device_info.h"

#include <string_view>
#include <sys/stat.h>

namespace quorva::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string deviceName(int index)
{
    return deviceTable[static_cast<std::size_t>(index)].name;
}

// Lines joined with CR LF, as profile files are written.
std::string crlf(std::initializer_list<std::string_view> lines)
{
    std::string text;
    for (std::string_view line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

class ProjectTest : public BufferFixture {};

TEST_F(ProjectTest, ConstructionAndAFileWithOnlyTheFlashKeyHaveTheirOwnDefaults)
{
    EXPECT_EQ(project.fileName, "[Unspecified]");
    EXPECT_EQ(project.resetStrobeLength, 20);
    EXPECT_EQ(project.delayByteValue, 15);
    EXPECT_EQ(project.delayPageValue, 15);
    EXPECT_EQ(project.delayByteValue2, 10);
    EXPECT_EQ(project.delayPageValue2, 10);
    EXPECT_EQ(deviceName(project.deviceIndex), "ATmega8/8A");

    const std::string file = put("minimal.kx2", "[Files]\r\nFlash=[Unspecified]\r\n");
    flash.loadFile(put("old.bin", "\x01\x02"));
    project.deviceIndex = 0;
    EXPECT_TRUE(project.load(file));
    EXPECT_EQ(project.resetStrobeLength, 400);
    EXPECT_EQ(project.spiPeriod, 4);
    EXPECT_EQ(project.delayByteValue, 0);
    EXPECT_EQ(project.delayPageValue, 0);
    EXPECT_EQ(project.delayByteValue2, 0);
    EXPECT_EQ(project.delayPageValue2, 0);
    EXPECT_EQ(deviceName(project.deviceIndex), "ATmega8/8A");
    EXPECT_FALSE(flash.hasData());
    EXPECT_FALSE(eeprom.hasData());
    EXPECT_EQ(project.fileName, file);
    EXPECT_FALSE(project.modified);
    EXPECT_TRUE(ui.calls().empty());
}

TEST_F(ProjectTest, AFileWithoutTheFlashKeyIsRefusedAndNothingChanges)
{
    const std::string file = put("noflash.kx2", "[Files]\r\nEeprom=[Unspecified]\r\n[Settings]\r\nSPIPeriod=2\r\n"
                                                "ResetStrobeLength=99\r\n[AutoProgram]\r\nAutoErase=0\r\n");
    project.autoErase = true;
    project.spiPeriod = 6;
    project.fileName = "current.kx2";
    flash.loadFile(put("kept.bin", "\x01\x02"));
    ui.clearCalls();
    EXPECT_FALSE(project.load(file));
    EXPECT_FALSE(project.load(path("missing.kx2")));
    EXPECT_EQ(ui.calls(), (std::vector<std::string>{errorBox("Error reading project file '" + file + "'"),
                                                    errorBox("Error reading project file '" + path("missing.kx2") +
                                                             "'")}));
    EXPECT_TRUE(project.autoErase);
    EXPECT_EQ(project.spiPeriod, 6);
    EXPECT_EQ(project.resetStrobeLength, 20);
    EXPECT_EQ(project.fileName, "current.kx2");
    EXPECT_EQ(contentsOf(flash), (Bytes{1, 2}));
}

TEST_F(ProjectTest, NewResetsTheChoicesButKeepsDeviceDelaysAndSomeSwitches)
{
    project.fileName = "old.kx2";
    project.deviceIndex = 5;
    project.resetStrobeLength = 123;
    project.checkSign = project.noSynchronization = project.programFuseBeforeAll = true;
    project.delayByte = project.delayPage2 = true;
    project.delayByteValue = 7;
    project.flashInvert = project.polling = project.autoErase = project.autoIncrement = project.programFuse = true;
    project.spiPeriod = 1;
    project.autoIncAddress = project.autoIncAddressFlash = 9;
    project.lockFuse.lockMode = 2;
    project.lockFuse.fuse[3] = true;
    project.modified = true;
    stateRefreshes = 0;

    EXPECT_TRUE(project.newProject());
    EXPECT_EQ(project.fileName, "[Unspecified]");
    EXPECT_EQ(project.deviceIndex, 5);
    EXPECT_EQ(project.resetStrobeLength, 123);
    EXPECT_TRUE(project.checkSign && project.noSynchronization && project.programFuseBeforeAll);
    EXPECT_TRUE(project.delayByte && project.delayPage2);
    EXPECT_EQ(project.delayByteValue, 7);
    EXPECT_FALSE(project.flashInvert || project.polling || project.autoErase || project.autoIncrement ||
                 project.programFuse);
    EXPECT_EQ(project.spiPeriod, 4);
    EXPECT_EQ(project.autoIncAddress, 0);
    EXPECT_EQ(project.autoIncAddressFlash, 0);
    EXPECT_EQ(project.lockFuse, LockFuseState{});
    EXPECT_TRUE(project.modified);
    EXPECT_EQ(invertShown, std::vector<bool>{false});
    EXPECT_EQ(stateRefreshes, 1);
}

TEST_F(ProjectTest, LoadReadsEveryKeyAndTheBufferFiles)
{
    const std::string image = put("image.hex", ":0100000042BD\n:00000001FF\n");
    const std::string data = put("data.bin", "\x05");
    const std::string file =
        put("full.kx2", crlf({"[files]", "FLASH=" + image, "Eeprom=" + data, "FlashInvert=1", "[Settings]",
                              "Polling=1", "CheckSign=5", "NoSynchronization=1", "ResetStrobeLength=250",
                              "SPIPeriod=7", "[AutoProgram]", "AutoErase=1", "AutoEmptyCheck=1", "AutoFlashReload=1",
                              "AutoFlashProgram=1", "AutoFlashVerify=1", "AutoEepromReload=1", "AutoEepromProgram=1",
                              "AutoEepromVerify=1", "AutoIncrementFlash=1", "AutoIncrement=1", "ProgramFuse=1",
                              "ProgramFuseBeforeAll=1", "LockMode= 3 (LB1+LB2+LB3)", "Fuse0=1", "Fuse31=2",
                              "BootLock3=7", "AutoIncAddressFlash=-2", "AutoIncAddress=300", "[Device]",
                              "DeviceNo=61", "[Delays]", "DelayByte=1", "DelayPage=1", "DelayByteValue=11",
                              "DelayPageValue=12", "DelayByte2=1", "DelayPage2=1", "DelayByteValue2=13",
                              "DelayPageValue2=14"}));
    EXPECT_TRUE(project.load(file));
    EXPECT_TRUE(project.flashInvert && project.polling && project.checkSign && project.noSynchronization);
    EXPECT_EQ(project.resetStrobeLength, 250);
    EXPECT_EQ(project.spiPeriod, 7);
    EXPECT_TRUE(project.autoErase && project.autoEmptyCheck && project.autoFlashReload && project.autoFlashProgram &&
                project.autoFlashVerify && project.autoEepromReload && project.autoEepromProgram &&
                project.autoEepromVerify && project.autoIncrementFlash && project.autoIncrement &&
                project.programFuse && project.programFuseBeforeAll);
    EXPECT_EQ(project.lockFuse.lockMode, 3);
    EXPECT_TRUE(project.lockFuse.fuse[0]);
    EXPECT_FALSE(project.lockFuse.fuse[1]);
    EXPECT_TRUE(project.lockFuse.fuse[31]);
    EXPECT_TRUE(project.lockFuse.bootLock[3]);
    EXPECT_FALSE(project.lockFuse.bootLock[2]);
    EXPECT_EQ(project.autoIncAddressFlash, -2);
    EXPECT_EQ(project.autoIncAddress, 300);
    // Number 61 is shared by two entries; the first one wins.
    EXPECT_EQ(deviceName(project.deviceIndex), "ATmega324A");
    EXPECT_TRUE(project.delayByte && project.delayPage && project.delayByte2 && project.delayPage2);
    EXPECT_EQ(project.delayByteValue, 11);
    EXPECT_EQ(project.delayPageValue, 12);
    EXPECT_EQ(project.delayByteValue2, 13);
    EXPECT_EQ(project.delayPageValue2, 14);
    EXPECT_EQ(invertShown, (std::vector<bool>{false, true}));
    EXPECT_EQ(incrementShown, std::vector<bool>{true});
    EXPECT_EQ(contentsOf(flash), (Bytes{0x42, 0xFF}));
    EXPECT_EQ(contentsOf(eeprom), Bytes{5});
    EXPECT_FALSE(project.modified);
}

TEST_F(ProjectTest, OddValuesReadAsTheirNumbersOrZero)
{
    EXPECT_TRUE(project.load(put("odd.kx2", crlf({"[Files]", "Flash=[Unspecified]", "[AutoProgram]",
                                                  "LockMode=LB1", "AutoErase=yes", "[Device]", "DeviceNo=9999"}))));
    EXPECT_EQ(project.lockFuse.lockMode, 0);
    EXPECT_FALSE(project.autoErase);
    EXPECT_EQ(project.deviceIndex, 0);
}

TEST_F(ProjectTest, BufferFilesThatCannotBeReadDoNotStopTheLoadNorLeaveTheProject)
{
    const std::string file =
        put("lost.kx2", crlf({"[Files]", "Flash=" + path("gone.hex"), "Eeprom=" + path("gone.eep")}));
    EXPECT_TRUE(project.load(file));
    EXPECT_EQ(ui.calls(), (std::vector<std::string>{errorBox("Cannot read file '" + path("gone.hex") + "'"),
                                                    errorBox("Cannot read file '" + path("gone.eep") + "'")}));
    EXPECT_EQ(project.fileName, file);

    // Saving keeps the references until the person chooses other files.
    ASSERT_TRUE(project.save());
    const std::string saved = fileContents(file);
    EXPECT_NE(saved.find("Flash=" + path("gone.hex") + "\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Eeprom=" + path("gone.eep") + "\r\n"), std::string::npos) << saved;
    eeprom.loadFile(put("other.eep", ":0100000055AA\n:00000001FF\n"));
    flash.clear();
    ASSERT_TRUE(project.save());
    const std::string chosen = fileContents(file);
    EXPECT_NE(chosen.find("Flash=[Unspecified]\r\n"), std::string::npos) << chosen;
    EXPECT_NE(chosen.find("Eeprom=" + path("other.eep") + "\r\n"), std::string::npos) << chosen;
}

TEST_F(ProjectTest, FileNamesInDeepFoldersAreReadWhole)
{
    std::string deep = folder.path();
    while (deep.size() < 400) {
        deep += "/a-rather-long-folder-name";
        ASSERT_EQ(::mkdir(deep.c_str(), 0700), 0);
    }
    const std::string image = deep + "/image.bin";
    writeFile(image, "\x01\x02");
    EXPECT_TRUE(project.load(put("deep.kx2", crlf({"[Files]", "Flash=" + image}))));
    EXPECT_EQ(flash.fileName(), image);
    EXPECT_EQ(contentsOf(flash), (Bytes{1, 2}));
}

TEST_F(ProjectTest, ANewFileGetsEveryKeyInTheLayoutOrder)
{
    project.checkSign = true;
    project.lockFuse.lockMode = 2;
    project.lockFuse.fuse[1] = true;
    project.lockFuse.bootLock[15] = true;
    project.autoIncAddressFlash = -5;
    project.modified = true;
    const std::string file = path("new.kx2");
    EXPECT_TRUE(project.write(file));
    EXPECT_FALSE(project.modified);

    std::string expected = crlf({"[Files]", "Flash=[Unspecified]", "Eeprom=[Unspecified]", "FlashInvert=0",
                                 "[Settings]", "Polling=0", "CheckSign=1", "NoSynchronization=0",
                                 "ResetStrobeLength=20", "SPIPeriod=4", "[AutoProgram]", "AutoErase=0",
                                 "AutoEmptyCheck=0", "AutoFlashReload=0", "AutoFlashProgram=0", "AutoFlashVerify=0",
                                 "AutoEepromReload=0", "AutoEepromProgram=0", "AutoEepromVerify=0",
                                 "AutoIncrementFlash=0", "AutoIncrement=0", "ProgramFuse=0",
                                 "ProgramFuseBeforeAll=0", "LockMode=2"});
    for (int n = 0; n < 32; ++n)
        expected += "Fuse" + std::to_string(n) + (n == 1 ? "=1\r\n" : "=0\r\n");
    for (int n = 0; n < 16; ++n)
        expected += "BootLock" + std::to_string(n) + (n == 15 ? "=1\r\n" : "=0\r\n");
    expected += crlf({"AutoIncAddressFlash=-5", "AutoIncAddress=0", "[Device]", "DeviceNo=17", "[Delays]",
                      "DelayByte=0", "DelayPage=0", "DelayByteValue=15", "DelayPageValue=15", "DelayByte2=0",
                      "DelayPage2=0", "DelayByteValue2=10", "DelayPageValue2=10"});
    EXPECT_EQ(fileContents(file), expected);
}

TEST_F(ProjectTest, WritingIntoAnExistingFileKeepsItsForeignLines)
{
    const std::string file = put("kept.kx2", "; made by hand\r\n"
                                             "[Settings]\r\n"
                                             "polling = 1\r\n"
                                             "Comment=keep me\r\n"
                                             "\r\n"
                                             "[Mine]\r\n"
                                             "Colour=blue\r\n"
                                             "[Files]\r\n"
                                             "Flash=old.hex\r\n");
    project.polling = false;
    project.spiPeriod = 3;
    EXPECT_TRUE(project.write(file));
    const std::string text = fileContents(file);
    EXPECT_EQ(text.rfind("; made by hand\r\n[Settings]\r\npolling =0\r\nComment=keep me\r\nCheckSign=0\r\n"
                         "NoSynchronization=0\r\nResetStrobeLength=20\r\nSPIPeriod=3\r\n\r\n[Mine]\r\nColour=blue\r\n"
                         "[Files]\r\nFlash=[Unspecified]\r\nEeprom=[Unspecified]\r\nFlashInvert=0\r\n"
                         "[AutoProgram]\r\nAutoErase=0\r\n",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("[Device]\r\nDeviceNo=17\r\n[Delays]\r\n"), std::string::npos);
}

TEST_F(ProjectTest, WhatIsWrittenLoadsBackTheSame)
{
    project.lockFuse.bootLock[3] = true;
    project.lockFuse.lockMode = 1;
    project.deviceIndex = 43;
    project.autoIncrement = true;
    project.delayPageValue2 = 77;
    const std::string file = path("round.kx2");
    project.write(file);
    EXPECT_NE(fileContents(file).find("BootLock3=1\r\n"), std::string::npos);

    ScriptedUi otherUi;
    Project other(otherUi);
    EXPECT_TRUE(other.load(file));
    EXPECT_EQ(other.lockFuse, project.lockFuse);
    EXPECT_EQ(other.deviceIndex, 43);
    EXPECT_TRUE(other.autoIncrement);
    EXPECT_EQ(other.delayPageValue2, 77);
    EXPECT_EQ(other.resetStrobeLength, 20);
}

TEST_F(ProjectTest, SavingANewProjectAsksForItsNameThenForTheChipImagesName)
{
    flash.createBlank(4);
    const std::string file = path("chip.kx2");
    ui.chooseNext(file);
    ui.chooseNext(std::nullopt);
    EXPECT_TRUE(project.save());
    const auto calls = ui.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], "save-file: QUORVA Projects (*.kx2)|*.kx2|QUORVA Projects (*.quorva)|*.quorva|| | kx2 | "
                        "Untitled | confirm overwrite -> " +
                            file);
    EXPECT_EQ(calls[1].rfind("save-file: HEX Files|*.hex|EEP Files", 0), 0u);
    EXPECT_NE(fileContents(file).find("[Files]\r\nFlash=[Unspecified]\r\n"), std::string::npos);
    EXPECT_EQ(project.fileName, file);
    EXPECT_FALSE(project.modified);

    // Saved again, the image gets the name chosen this time.
    ui.chooseNext(path("chip.hex"));
    EXPECT_TRUE(project.save());
    EXPECT_NE(fileContents(file).find("Flash=" + path("chip.hex") + "\r\n"), std::string::npos);
    EXPECT_EQ(fileContents(path("chip.hex")), ":04000000FFFFFFFF00\r\n:00000001FF\r\n");
}

TEST_F(ProjectTest, AProjectThatCannotBeWrittenSaysSoAndStaysModified)
{
    project.modified = true;
    EXPECT_FALSE(project.write(path("no-such-folder/p.kx2")));
    EXPECT_EQ(ui.calls(), std::vector<std::string>{errorBox("Cannot save file")});
    EXPECT_TRUE(project.modified);
}

TEST_F(ProjectTest, OpenAndSaveAsChoosersAndCancel)
{
    EXPECT_FALSE(project.open());
    EXPECT_FALSE(project.saveAs());
    EXPECT_EQ(
        ui.calls(),
        (std::vector<std::string>{
            "open-file: QUORVA Projects|*.kx2;*.kx3|QUORVA Projects (*.quorva)|*.quorva|| | kx2 | Untitled -> (cancel)",
            "save-file: QUORVA Projects (*.kx2)|*.kx2|QUORVA Projects (*.quorva)|*.quorva|| | kx2 | Untitled | "
            "confirm overwrite -> (cancel)"}));
    EXPECT_TRUE(folder.names().empty());

    const std::string file = put("chosen.quorva", "[Files]\r\nFlash=[Unspecified]\r\n");
    ui.chooseNext(file);
    EXPECT_TRUE(project.open());
    EXPECT_EQ(project.fileName, file);
    EXPECT_EQ(project.openChooser().settings().initialPath, file);
}

TEST_F(ProjectTest, ReloadReadsTheFileAgain)
{
    project.fileName = "";
    EXPECT_FALSE(project.reload());

    const std::string file = put("again.kx2", "[Files]\r\nFlash=[Unspecified]\r\n[Settings]\r\nSPIPeriod=2\r\n");
    project.load(file);
    project.spiPeriod = 5;
    EXPECT_TRUE(project.reload());
    EXPECT_EQ(project.spiPeriod, 2);

    std::remove(file.c_str());
    ui.clearCalls();
    EXPECT_FALSE(project.reload());
    EXPECT_EQ(ui.calls(), std::vector<std::string>{errorBox("Error reading project file '" + file + "'")});
    EXPECT_EQ(project.fileName, file);
}

TEST_F(ProjectTest, ModifiedFollowsTheBuffers)
{
    stateRefreshes = 0;
    project.setModified();
    project.setModified();
    EXPECT_TRUE(project.modified);
    EXPECT_EQ(stateRefreshes, 1);

    // Clean again only when neither buffer is modified.
    flash.createBlank(2);
    eeprom.createBlank(2);
    project.clearModifiedIfBuffersClean();
    EXPECT_TRUE(project.modified);
    flash.loadFile(put("clean.bin", "\x01\x02"));
    EXPECT_TRUE(project.modified);
    ui.chooseNext(path("e.eep"));
    eeprom.saveAs();
    EXPECT_FALSE(project.modified);
}

} // namespace
} // namespace quorva::test

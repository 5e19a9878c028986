#include "project.h"

#include "base/ini_file.h"
#include "catalogue/device_lookup.h"
#include "data_messages.h"
#include "memory_buffer.h"
#include "text_numbers.h"

namespace quorva {

namespace {

constexpr const char* kFiles = "Files";
constexpr const char* kSettings = "Settings";
constexpr const char* kAutoProgram = "AutoProgram";
constexpr const char* kDevice = "Device";
constexpr const char* kDelays = "Delays";
constexpr std::size_t kLockModeTextLength = 128;

std::string fuseKey(std::size_t n)
{
    return "Fuse" + std::to_string(n);
}

std::string bootLockKey(std::size_t n)
{
    return "BootLock" + std::to_string(n);
}

// The file a buffer stands for in the project. A file that could not be
// read stays the project's until the person loads another or closes the
// buffer: saving must not erase the reference to a file that is only missing
// for now (an unplugged stick, a folder not yet mounted).
std::string fileNameOf(const MemoryBuffer* buffer)
{
    if (!buffer)
        return kUnspecifiedFile;
    if (!buffer->fileName().empty() && buffer->fileName() != kUnspecifiedFile)
        return buffer->fileName();
    if (!buffer->hasData() && !buffer->unreadFile().empty())
        return buffer->unreadFile();
    return kUnspecifiedFile;
}

int deviceNoOf(int index)
{
    const DeviceInfo* device = deviceAt(index);
    if (!device)
        device = deviceAt(0);
    return device ? device->deviceNo : 0;
}

} // namespace

int defaultDeviceIndex()
{
    // Looked up once: every project starts with it.
    static const int index = [] {
        const int found = findByName(kDefaultDeviceName);
        return found < 0 ? 0 : found;
    }();
    return index;
}

Project::Project(Ui& owner) : ui_(owner), openChooser_(projectOpenChooser()), saveChooser_(projectSaveChooser()) {}

void Project::bindBuffers(MemoryBuffer& flash, MemoryBuffer& eeprom)
{
    flash_ = &flash;
    eeprom_ = &eeprom;
}

bool Project::newProject()
{
    fileName = kUnspecifiedFile;
    flashInvert = false;
    polling = false;
    autoErase = false;
    autoEmptyCheck = false;
    autoFlashReload = false;
    autoFlashProgram = false;
    autoFlashVerify = false;
    autoEepromReload = false;
    autoEepromProgram = false;
    autoEepromVerify = false;
    autoIncrementFlash = false;
    autoIncrement = false;
    programFuse = false;
    spiPeriod = 4;
    autoIncAddress = 0;
    autoIncAddressFlash = 0;
    serialSequence.clear();
    lockFuse = LockFuseState{};
    if (view_.showFlashInvert)
        view_.showFlashInvert(false);
    refreshWindowState();
    return true;
}

bool Project::load(const std::string& path)
{
    if (path == kUnspecifiedFile)
        return newProject();

    // One snapshot of the file serves every key.
    const IniDocument file = IniFile(path).read();
    // A file without "Flash" in [Files] (or no file at all) is not a project.
    if (file.getString(kFiles, "Flash", "Test1") != file.getString(kFiles, "Flash", "Test2")) {
        showDataError(ui_, formatMessage(1024, path.c_str()));
        return false;
    }
    newProject();

    const auto flag = [&file](const char* section, const std::string& key) {
        return file.getInt(section, key, 0) != 0;
    };
    flashInvert = flag(kFiles, "FlashInvert");
    polling = flag(kSettings, "Polling");
    resetStrobeLength = file.getInt(kSettings, "ResetStrobeLength", 400);
    checkSign = flag(kSettings, "CheckSign");
    spiPeriod = file.getInt(kSettings, "SPIPeriod", 4);
    autoErase = flag(kAutoProgram, "AutoErase");
    autoEmptyCheck = flag(kAutoProgram, "AutoEmptyCheck");
    autoFlashReload = flag(kAutoProgram, "AutoFlashReload");
    autoFlashProgram = flag(kAutoProgram, "AutoFlashProgram");
    autoFlashVerify = flag(kAutoProgram, "AutoFlashVerify");
    autoEepromReload = flag(kAutoProgram, "AutoEepromReload");
    autoEepromProgram = flag(kAutoProgram, "AutoEepromProgram");
    autoEepromVerify = flag(kAutoProgram, "AutoEepromVerify");
    noSynchronization = flag(kSettings, "NoSynchronization");
    autoIncrement = flag(kAutoProgram, "AutoIncrement");
    autoIncAddress = file.getInt(kAutoProgram, "AutoIncAddress", 0);
    autoIncrementFlash = flag(kAutoProgram, "AutoIncrementFlash");
    autoIncAddressFlash = file.getInt(kAutoProgram, "AutoIncAddressFlash", 0);
    serialSequence = file.getString(kAutoProgram, "SerialSequence", "");
    delayByte = flag(kDelays, "DelayByte");
    delayPage = flag(kDelays, "DelayPage");
    delayByteValue = file.getInt(kDelays, "DelayByteValue", 0);
    delayPageValue = file.getInt(kDelays, "DelayPageValue", 0);
    delayByte2 = flag(kDelays, "DelayByte2");
    delayPage2 = flag(kDelays, "DelayPage2");
    delayByteValue2 = file.getInt(kDelays, "DelayByteValue2", 0);
    delayPageValue2 = file.getInt(kDelays, "DelayPageValue2", 0);
    programFuse = flag(kAutoProgram, "ProgramFuse");
    programFuseBeforeAll = flag(kAutoProgram, "ProgramFuseBeforeAll");
    const std::string lockMode = file.getString(kAutoProgram, "LockMode", "0");
    lockFuse.lockMode = scanInteger(std::string_view(lockMode).substr(0, kLockModeTextLength), 10);
    for (std::size_t n = 0; n < lockFuse.fuse.size(); ++n)
        lockFuse.fuse[n] = flag(kAutoProgram, fuseKey(n));
    for (std::size_t n = 0; n < lockFuse.bootLock.size(); ++n)
        lockFuse.bootLock[n] = flag(kAutoProgram, bootLockKey(n));
    deviceIndex = findByDeviceNo(file.getInt(kDevice, "DeviceNo", deviceNoOf(defaultDeviceIndex())));

    if (view_.showFlashInvert)
        view_.showFlashInvert(flashInvert);
    if (view_.showAutoIncrement)
        view_.showAutoIncrement(autoIncrement);

    // The buffers report their own failures; the project loads regardless.
    if (flash_)
        flash_->clear();
    if (eeprom_)
        eeprom_->clear();
    if (flash_)
        flash_->loadFile(file.getString(kFiles, "Flash", kUnspecifiedFile));
    if (eeprom_)
        eeprom_->loadFile(file.getString(kFiles, "Eeprom", kUnspecifiedFile));

    modified = false;
    fileName = path;
    refreshWindowState();
    return true;
}

bool Project::open()
{
    const auto path = openChooser_.choose(ui_, fileName, fileName);
    return path ? load(*path) : false;
}

bool Project::reload()
{
    if (fileName.empty())
        return false;
    const std::string name = fileName;
    newProject();
    fileName = name;
    return load(name);
}

bool Project::write(const std::string& path)
{
    if (flash_)
        flash_->save();
    if (eeprom_)
        eeprom_->save();

    // One edit committed once: the file is replaced whole or not at all, and
    // lines this program does not know stay where they are.
    IniEdit edit(path);
    const auto flag = [&edit](const char* section, const std::string& key, bool value) {
        edit.setInt(section, key, value ? 1 : 0);
    };
    edit.setString(kFiles, "Flash", fileNameOf(flash_));
    edit.setString(kFiles, "Eeprom", fileNameOf(eeprom_));
    flag(kFiles, "FlashInvert", flashInvert);

    flag(kSettings, "Polling", polling);
    flag(kSettings, "CheckSign", checkSign);
    flag(kSettings, "NoSynchronization", noSynchronization);
    edit.setInt(kSettings, "ResetStrobeLength", resetStrobeLength);
    edit.setInt(kSettings, "SPIPeriod", spiPeriod);

    flag(kAutoProgram, "AutoErase", autoErase);
    flag(kAutoProgram, "AutoEmptyCheck", autoEmptyCheck);
    flag(kAutoProgram, "AutoFlashReload", autoFlashReload);
    flag(kAutoProgram, "AutoFlashProgram", autoFlashProgram);
    flag(kAutoProgram, "AutoFlashVerify", autoFlashVerify);
    flag(kAutoProgram, "AutoEepromReload", autoEepromReload);
    flag(kAutoProgram, "AutoEepromProgram", autoEepromProgram);
    flag(kAutoProgram, "AutoEepromVerify", autoEepromVerify);
    flag(kAutoProgram, "AutoIncrementFlash", autoIncrementFlash);
    flag(kAutoProgram, "AutoIncrement", autoIncrement);
    flag(kAutoProgram, "ProgramFuse", programFuse);
    flag(kAutoProgram, "ProgramFuseBeforeAll", programFuseBeforeAll);
    edit.setInt(kAutoProgram, "LockMode", lockFuse.lockMode);
    for (std::size_t n = 0; n < lockFuse.fuse.size(); ++n)
        flag(kAutoProgram, fuseKey(n), lockFuse.fuse[n]);
    for (std::size_t n = 0; n < lockFuse.bootLock.size(); ++n)
        flag(kAutoProgram, bootLockKey(n), lockFuse.bootLock[n]);
    edit.setInt(kAutoProgram, "AutoIncAddressFlash", autoIncAddressFlash);
    edit.setInt(kAutoProgram, "AutoIncAddress", autoIncAddress);
    // Older readers ignore the key; a project without a sequence does not gain it.
    if (!serialSequence.empty() || edit.document().value(kAutoProgram, "SerialSequence"))
        edit.setString(kAutoProgram, "SerialSequence", serialSequence);

    edit.setInt(kDevice, "DeviceNo", deviceNoOf(deviceIndex));

    flag(kDelays, "DelayByte", delayByte);
    flag(kDelays, "DelayPage", delayPage);
    edit.setInt(kDelays, "DelayByteValue", delayByteValue);
    edit.setInt(kDelays, "DelayPageValue", delayPageValue);
    flag(kDelays, "DelayByte2", delayByte2);
    flag(kDelays, "DelayPage2", delayPage2);
    edit.setInt(kDelays, "DelayByteValue2", delayByteValue2);
    edit.setInt(kDelays, "DelayPageValue2", delayPageValue2);

    // A project that did not reach the disk must not look saved.
    if (!edit.commit()) {
        showDataError(ui_, 1015);
        return false;
    }
    modified = false;
    return true;
}

bool Project::save()
{
    if (fileName.empty() || fileName == kUnspecifiedFile)
        return saveAs();
    return write(fileName);
}

bool Project::saveAs()
{
    const auto path = saveChooser_.choose(ui_, fileName, fileName);
    if (!path)
        return false;
    fileName = *path;
    return write(*path);
}

void Project::setModified()
{
    if (!modified) {
        modified = true;
        refreshWindowState();
    }
}

void Project::clearModifiedIfBuffersClean()
{
    if ((flash_ && flash_->modified()) || (eeprom_ && eeprom_->modified()))
        return;
    modified = false;
    refreshWindowState();
}

void Project::refreshWindowState()
{
    if (view_.refreshState)
        view_.refreshState();
}

} // namespace quorva

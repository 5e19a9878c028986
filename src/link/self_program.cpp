#include "self_program.h"

#include "base/messages.h"

#include <algorithm>
#include <cctype>

namespace quorva {

namespace {

constexpr int kCaptionId = 1025;
constexpr int kGroups = static_cast<int>(kFirmwareImageSize / kFirmwareGroupSize);
// Bytes a restarting box may send before the drain gives up on it.
constexpr int kMaxDrainedBytes = 4096;

bool identifiesAsSimulator(const std::string& versionText)
{
    std::string lower = versionText;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find("simulat") != std::string::npos;
}

} // namespace

int KX1SelfProgram::fail(int messageId, bool alsoStatus)
{
    Ui& ui = connection_.ui();
    ui.showMessage(BoxIcon::Information, messageText(kCaptionId), messageText(messageId));
    if (alsoStatus)
        ui.setStatus(messageText(messageId));
    return kFailed;
}

int KX1SelfProgram::run()
{
    BoxLink& link = connection_.link();
    const int pause = normalSpeed_ ? 15 : 100;
    start(messageText(1170), messageText(1171), kGroups);

    link.wait(pause);
    if (!link.send(Command::StartFirmwareUpdate))
        return fail(1027, false);
    link.wait(pause);
    const int ready = link.receiveByte();
    if (ready < 0)
        return fail(1027, false);
    if (ready != '+')
        return fail(1196, false);

    for (int group = 0; group < kGroups; ++group) {
        for (std::size_t i = 0; i < kFirmwareGroupSize; ++i) {
            if (!link.port().sendByte(image_[static_cast<std::size_t>(group) * kFirmwareGroupSize + i]))
                return fail(1027, false);
        }
        if (group % 32 == 31)
            link.wait(normalSpeed_ ? 15 : 30);
        else if (!normalSpeed_)
            link.wait(5);
        if (link.receiveByte() < 0)
            return fail(1027, false);
        progress(group);
    }

    link.wait(200);
    for (int drained = 0; drained < kMaxDrainedBytes && link.receiveByte() >= 0; ++drained) {
    }
    link.wait(150);
    if (!link.send(Command::Ping)) {
        connection_.closeConnection();
        return fail(1027, true);
    }
    link.wait(50);
    const int answer = link.receiveByte();
    if (answer == '+' || answer == '*')
        return kDone;
    connection_.closeConnection();
    return fail(answer == '-' ? 1198 : 1027, true);
}

bool updateFirmware(Connection& connection, int comPort, std::span<const std::uint8_t, kFirmwareImageSize> image)
{
    Ui& ui = connection.ui();
    Connection::Version version;
    const bool versionRead = connection.readVersion(comPort, version, true);
    std::string current;
    if (versionRead)
        current = version.text;
    else if (connection.bootLoaderSeen())
        current = messageText(1189);
    else if (connection.versionConflict())
        current = messageText(1029);

    if (isSimulatorImage(image) && !(versionRead && identifiesAsSimulator(version.text))) {
        ui.showMessage(BoxIcon::Stop, messageText(kCaptionId), messageText(2008));
        return false;
    }

    ui.showMessage(BoxIcon::Information, messageText(kCaptionId), messageText(1195));
    bool normalSpeed = true;
    if (!ui.selfProgramSettingsDialog(current, firmwareVersionText(Connection::kRequiredFirmware), normalSpeed))
        return false;
    if (!connection.connectForVersion(comPort, true, false, false, false)) {
        connection.closeVersionConnection();
        return false;
    }
    KX1SelfProgram transfer(connection, image, normalSpeed);
    const int result = ui.runOperation(transfer);
    connection.closeVersionConnection();
    if (result != Operation::kDone) {
        ui.setStatus(messageText(1176));
        return false;
    }
    ui.setStatus(messageText(1175));
    if (!connection.readVersion(comPort, version, true))
        ui.setStatus(messageText(1176));
    return true;
}

} // namespace quorva

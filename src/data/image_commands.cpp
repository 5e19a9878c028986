#include "image_commands.h"

#include "base/messages.h"
#include "image_limits.h"
#include "memory_buffer.h"

namespace quorva {

std::string checksumLine(const MemoryBuffer& buffer)
{
    return formatMessage(buffer.byteGranular() ? 1074 : 1041, buffer.length(),
                         static_cast<unsigned>(buffer.length()), static_cast<unsigned>(buffer.checksum()));
}

namespace {

// A buffer's load reports its own failures and leaves the buffer nameless then.
bool loadInto(Ui& ui, MemoryBuffer& buffer, const std::string& path, bool eeprom)
{
    buffer.init(ui, eeprom, {}, nullptr);
    buffer.clear();
    return path != kUnspecifiedFile && buffer.loadFile(path) && buffer.fileName() == path;
}

} // namespace

ImageCommandResult checksumImageFile(Ui& ui, const std::string& path, bool eeprom)
{
    MemoryBuffer buffer;
    if (!loadInto(ui, buffer, path, eeprom))
        return {};
    return {true, checksumLine(buffer)};
}

ImageCommandResult convertImageFile(Ui& ui, const std::string& input, const std::string& output, bool eeprom)
{
    MemoryBuffer buffer;
    if (!loadInto(ui, buffer, input, eeprom) || !buffer.writeFile(output))
        return {};
    return {true, checksumLine(buffer)};
}

ImageCommandResult mergeImageFiles(Ui& ui, const std::string& base, const std::string& file, const std::string& output,
                                   bool eeprom)
{
    MemoryBuffer buffer;
    if (!loadInto(ui, buffer, base, eeprom))
        return {};
    // The merge asks the Ui for the address and reports its own refusals;
    // only a merge that went through leaves the loaded base modified.
    if (!buffer.loadAtAddress(file) || !buffer.modified())
        return {};
    if (!buffer.writeFile(output))
        return {};
    return {true, checksumLine(buffer)};
}

} // namespace quorva

#pragma once

#include "base/ui.h"
#include "hex_codec.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorva {

// The codec's boxes and question as the program shows them.
class UiCodecPrompts : public CodecPrompts {
public:
    explicit UiCodecPrompts(Ui& ui) : ui_(ui) {}
    void reportError(int messageId) override;
    bool acceptBadChecksum() override;

private:
    Ui& ui_;
};

enum class ReadStatus { Read, CannotOpen, ReadFailed, NoMemory };

struct FileBytes {
    ReadStatus status = ReadStatus::CannotOpen;
    std::vector<std::uint8_t> bytes;
};

// The first maxBytes bytes (or fewer) of a regular file.
FileBytes readFileBytes(const std::string& path, std::size_t maxBytes);

// How much of a file a load reads: a raw image stops at the image limit, HEX
// text is read whole (up to its own limit) so a big image keeps its end record.
std::size_t loadReadLimit(std::string_view path);

// Writes an image to path, replacing any file there atomically, as Intel HEX
// or binary by the extension; other extensions ask question 1017. Message
// 1015 when the file cannot be written (the old file then stays as it was).
bool writeImageFile(Ui& ui, const std::string& path, std::span<const std::uint8_t> image);

} // namespace quorva

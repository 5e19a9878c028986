#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorva {

// A memory image: byte n is chip address n; bytes no file supplied are 0xFF.
using Image = std::vector<std::uint8_t>;

// What decoding needs from a person. The program answers through the Ui
// (UiCodecPrompts); a fuzzer or a batch tool can answer by itself.
class CodecPrompts {
public:
    virtual ~CodecPrompts() = default;
    // An error box: 1019 "Not enough memory" or 1020 "Error in HEX file".
    virtual void reportError(int messageId) = 0;
    // Question 1021 on the first bad checksum of a file; true goes on
    // decoding without testing checksums any more.
    virtual bool acceptBadChecksum() = 0;
};

enum class ImageFormat { Binary, IntelHex, Unknown };

// Why a text is not Intel HEX, and on which line (counted from 1).
enum class HexProblem { None, NoColon, NoLineEnd, NoEndRecord, BadRecord, ChecksumRefused, NoMemory };
struct HexRejection {
    HexProblem problem = HexProblem::None;
    int line = 0;
};

// The format a file name asks for: the last four characters of the path,
// in any case, are ".bin" (Binary), ".hex" or ".eep" (IntelHex).
ImageFormat formatOfPath(std::string_view path);

// Intel HEX text to an image; nothing when the bytes are not a complete HEX
// file (no message then) or after message 1020, 1019 or the answer No to 1021.
// Reads nothing outside `text`. When it gives nothing, *why (if given) says why.
std::optional<Image> parseHex(std::span<const std::uint8_t> text, CodecPrompts& prompts, HexRejection* why = nullptr);

// File bytes to an image as a load does: ".bin" is raw, anything else is
// tried as Intel HEX and taken raw when that fails. Raw images stop at
// kImageLimit. Nothing only when memory runs out (after message 1019).
// *fellBack (if given) is set when a file that asked for Intel HEX was taken
// raw, and says why; it stays untouched otherwise.
std::optional<Image> parseImage(std::string_view path, std::span<const std::uint8_t> bytes, CodecPrompts& prompts,
                                HexRejection* fellBack = nullptr);

// The same, taking over the bytes so a raw image needs no second copy.
std::optional<Image> parseImage(std::string_view path, std::vector<std::uint8_t>&& bytes, CodecPrompts& prompts,
                                HexRejection* fellBack = nullptr);

// Intel HEX text of an image: 16 bytes a line, upper-case digits, CR LF.
// Below 1 MB each 64 KB starts with an extended segment record; from 1 MB on
// a zero segment record and then extended linear address records take over.
std::string encodeHex(std::span<const std::uint8_t> image);

// The same text handed to sink in pieces of about 64 KB, in order, so a save
// needs no copy of it whole. False as soon as sink returns false.
bool encodeHex(std::span<const std::uint8_t> image, const std::function<bool(std::string_view)>& sink);

} // namespace quorva

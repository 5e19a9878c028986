#pragma once

#include <cstdint>
#include <optional>

namespace quorva {

// The two OEM code pages the byte preview shows characters in: 437 for the
// English window, 866 (Cyrillic) for the Russian one. Both give the control
// codes 0x01..0x1F and 0x7F their symbols (smileys, arrows, the house), so
// every byte but zero has a glyph.
enum class CodePage { Oem437, Oem866 };

// The character that shows byte in the code page; 0 for byte zero, which
// shows nothing.
char32_t codePageGlyph(CodePage page, std::uint8_t byte);

// The byte that the code page shows as ch; none when it has no such glyph.
std::optional<std::uint8_t> codePageByte(CodePage page, char32_t ch);

} // namespace quorva

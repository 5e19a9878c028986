#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorva {

// An INI text held as its lines, edited the way profile files are: names are
// matched without regard to letter case, a value is replaced where its key
// stands, and every other line (comments, unknown keys and sections, blank
// lines) is kept as it was.
class IniDocument {
public:
    // Longest value a read returns; longer values are cut.
    static constexpr std::size_t kMaxValueLength = 4095;

    IniDocument() = default;
    // Accepts LF, CR LF or a lone CR as line ends.
    static IniDocument parse(std::string_view text);

    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::string getString(std::string_view section, std::string_view key, std::string_view fallback) const;
    int getInt(std::string_view section, std::string_view key, int fallback) const;

    // Replaces the value where the key stands; a missing key goes to the end
    // of its section, a missing section to the end of the text.
    void setString(std::string_view section, std::string_view key, std::string_view value);
    void setInt(std::string_view section, std::string_view key, int value);

    // Lines joined with CR LF.
    std::string serialize() const;

private:
    std::vector<std::string> lines_;
};

// The integer reading of profile values: optional blanks, an optional sign and
// decimal digits; anything else reads 0. Values beyond the int range saturate.
int parseProfileInt(std::string_view text);

} // namespace quorva

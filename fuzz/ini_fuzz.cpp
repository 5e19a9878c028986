// The profile reader and editor on any text: settings and project files are
// edited by hand and by other programs.
#include "fuzz_support.h"

#include "base/ini_document.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>

namespace {

using namespace quorva;

constexpr const char* kSections[] = {"Files", "Settings", "AutoProgram", "Device", "Delays", "Connect", "Recent", "Ports"};
constexpr const char* kKeys[] = {"Flash", "Eeprom", "COM", "HighSpeed", "Project1", "LockMode", "DeviceNo", "COM3"};

// A section or key name as the program writes them: one of its own, or
// letters, digits and underscores from the input.
template <std::size_t N>
std::string nameFrom(FuzzedDataProvider& in, const char* const (&known)[N])
{
    std::string name = in.ConsumeRandomLengthString(12);
    name.erase(std::remove_if(name.begin(), name.end(),
                              [](char c) { return !std::isalnum(static_cast<unsigned char>(c)) && c != '_'; }),
               name.end());
    if (name.empty())
        name = known[in.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
    return name;
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::string section = nameFrom(in, kSections);
    const std::string key = nameFrom(in, kKeys);
    const std::string otherSection = nameFrom(in, kSections);
    const std::string otherKey = nameFrom(in, kKeys);
    const std::string value = in.ConsumeRandomLengthString(80);
    const int number = in.ConsumeIntegral<int>();
    const std::string text = in.ConsumeRemainingBytesAsString();

    IniDocument document = IniDocument::parse(text);
    (void)document.getInt(section, key, number);
    (void)document.getString(otherSection, otherKey, value);

    // Writing out and reading back changes nothing.
    const std::string written = document.serialize();
    const IniDocument reread = IniDocument::parse(written);
    FUZZ_CHECK(reread.serialize() == written);
    FUZZ_CHECK(reread.value(section, key) == document.value(section, key));

    // A stored value reads back as it was given (up to a line break, which
    // would start a new line), here and after a save, and no other key moves.
    const auto otherBefore = document.value(otherSection, otherKey);
    document.setString(section, key, value);
    const std::string stored = value.substr(0, value.find_first_of("\r\n"));
    const IniDocument saved = IniDocument::parse(document.serialize());
    if (stored.size() <= IniDocument::kMaxValueLength) {
        FUZZ_CHECK(document.value(section, key) == stored);
        FUZZ_CHECK(saved.value(section, key) == stored);
    }
    if (!(sameName(section, otherSection) && sameName(key, otherKey))) {
        FUZZ_CHECK(document.value(otherSection, otherKey) == otherBefore);
        FUZZ_CHECK(saved.value(otherSection, otherKey) == otherBefore);
    }

    document.setInt(otherSection, otherKey, number);
    FUZZ_CHECK(document.getInt(otherSection, otherKey, ~number) == number);
    return 0;
}

#include "hex_codec.h"

#include "image_limits.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace quorva {

namespace {

constexpr int kMaxRecordText = 80; // characters between ':' and the line feed
constexpr int kMaxByteCount = 1024;
constexpr int kErrorNoMemory = 1019;
constexpr int kErrorHexFile = 1020;

// Hex digit values; every other character is -1. Pairs of digits are then
// combined arithmetically, so a stray character gives a wrong value (caught
// by the checksum) rather than an immediate error.
constexpr std::array<std::int8_t, 256> kDigits = [] {
    std::array<std::int8_t, 256> digits{};
    digits.fill(-1);
    for (int c = '0'; c <= '9'; ++c)
        digits[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c) {
        digits[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - 'a' + 10);
        digits[static_cast<std::size_t>(c - 'a' + 'A')] = static_cast<std::int8_t>(c - 'a' + 10);
    }
    return digits;
}();

inline int byteAt(const std::uint8_t* text)
{
    return kDigits[text[0]] * 16 + kDigits[text[1]];
}

inline std::size_t ceilingSize(std::int64_t wanted)
{
    return static_cast<std::size_t>(std::min<std::int64_t>(wanted, kImageLimit));
}

// The decoder proper; `work` grows (0xFF-filled) as records need it.
HexRejection decode(std::span<const std::uint8_t> bytes, CodecPrompts& prompts, Image& work, std::int64_t& length)
{
    const std::uint8_t* const text = bytes.data();
    const std::size_t size = bytes.size();
    std::size_t position = 0;
    std::int64_t base = 0; // from the last segment (×16) or linear (×65536) record
    bool testing = true;
    length = 0;
    int line = 0;
    const auto rejected = [&line](HexProblem problem) { return HexRejection{problem, line}; };
    const auto badRecord = [&] {
        prompts.reportError(kErrorHexFile);
        return rejected(HexProblem::BadRecord);
    };

    for (;;) {
        ++line;
        if (position >= size)
            return rejected(HexProblem::NoEndRecord);
        if (text[position] != ':')
            return rejected(HexProblem::NoColon);
        const std::size_t start = position + 1;
        const std::size_t window = std::min<std::size_t>(size - start, kMaxRecordText + 1);
        const void* found = window ? std::memchr(text + start, '\n', window) : nullptr;
        if (!found)
            return rejected(HexProblem::NoLineEnd);
        const std::size_t lineFeed = static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - text);
        position = lineFeed + 1;
        std::size_t end = lineFeed;
        if (end > start && text[end - 1] == '\r')
            --end;
        const std::size_t available = end - start;
        const std::uint8_t* record = text + start;

        // A record shorter than its fields is an error: nothing beyond the
        // line is ever read.
        if (available < 2)
            return badRecord();
        const int count = byteAt(record);
        if (static_cast<unsigned>(count) > kMaxByteCount || available < 8)
            return badRecord();
        const int addressHigh = byteAt(record + 2);
        const int addressLow = byteAt(record + 4);
        const int type = byteAt(record + 6);

        switch (type) {
        case 0x00: {
            const std::size_t needed = 8 + 2 * static_cast<std::size_t>(count) + 2;
            if (available < needed)
                return badRecord();
            const std::int64_t address = std::int64_t{addressHigh} * 256 + addressLow + base;
            const std::int64_t last = address + count - 1;
            // Stray characters in the address fields can make it negative;
            // such a record must not write before the image.
            if (address < 0 || last < 0 || last >= kImageLimit)
                return badRecord();
            const std::int64_t recordEnd = address + count;
            length = std::max(length, recordEnd);
            if (static_cast<std::size_t>(length) > work.size()) {
                const std::int64_t grown = std::max<std::int64_t>(length, 2 * static_cast<std::int64_t>(work.size()));
                work.resize(ceilingSize(std::max<std::int64_t>(grown, 0x10000)), 0xFF);
            }
            int sum = count + type + addressHigh + addressLow;
            std::uint8_t* target = work.data() + address;
            const std::uint8_t* digits = record + 8;
            for (int i = 0; i < count; ++i, digits += 2) {
                const int value = byteAt(digits);
                target[i] = static_cast<std::uint8_t>(value);
                sum += value;
            }
            sum += byteAt(digits);
            if (testing && (sum & 0xFF) != 0) {
                if (!prompts.acceptBadChecksum())
                    return rejected(HexProblem::ChecksumRefused);
                testing = false;
            }
            break;
        }
        case 0x01:
            return {};
        case 0x02:
        case 0x04: {
            if (available < 12)
                return badRecord();
            const std::int64_t value = std::int64_t{byteAt(record + 8)} * 256 + byteAt(record + 10);
            base = type == 0x02 ? value * 16 : value * 65536;
            break;
        }
        default:
            break; // other record types carry nothing an image needs
        }
    }
}

} // namespace

ImageFormat formatOfPath(std::string_view path)
{
    const std::string_view tail = path.size() > 4 ? path.substr(path.size() - 4) : path;
    const auto is = [tail](std::string_view extension) {
        return tail.size() == extension.size() &&
               std::equal(tail.begin(), tail.end(), extension.begin(),
                          [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a + 32 : a) == b; });
    };
    if (is(".bin"))
        return ImageFormat::Binary;
    if (is(".hex") || is(".eep"))
        return ImageFormat::IntelHex;
    return ImageFormat::Unknown;
}

std::optional<Image> parseHex(std::span<const std::uint8_t> text, CodecPrompts& prompts, HexRejection* why)
{
    Image work;
    std::int64_t length = 0;
    try {
        const HexRejection rejection = decode(text, prompts, work, length);
        if (rejection.problem != HexProblem::None) {
            if (why)
                *why = rejection;
            return std::nullopt;
        }
        // Zero-length data records may name an end beyond every byte written.
        if (static_cast<std::size_t>(length) > work.size())
            work.resize(static_cast<std::size_t>(length), 0xFF);
        work.resize(static_cast<std::size_t>(length));
        if (work.capacity() - work.size() > work.size() / 8)
            work.shrink_to_fit();
    } catch (const std::bad_alloc&) {
        prompts.reportError(kErrorNoMemory);
        if (why)
            *why = HexRejection{HexProblem::NoMemory, 0};
        return std::nullopt;
    }
    return work;
}

std::optional<Image> parseImage(std::string_view path, std::vector<std::uint8_t>&& bytes, CodecPrompts& prompts,
                                HexRejection* fellBack)
{
    if (formatOfPath(path) != ImageFormat::Binary) {
        HexRejection why;
        if (auto image = parseHex(bytes, prompts, &why))
            return image;
        if (fellBack && formatOfPath(path) == ImageFormat::IntelHex)
            *fellBack = why;
    }
    if (bytes.size() > static_cast<std::size_t>(kImageLimit)) {
        bytes.resize(static_cast<std::size_t>(kImageLimit));
        try {
            bytes.shrink_to_fit(); // the text read for HEX may have been four times longer
        } catch (const std::bad_alloc&) {
        }
    }
    return std::move(bytes);
}

std::optional<Image> parseImage(std::string_view path, std::span<const std::uint8_t> bytes, CodecPrompts& prompts,
                                HexRejection* fellBack)
{
    if (formatOfPath(path) != ImageFormat::Binary) {
        HexRejection why;
        if (auto image = parseHex(bytes, prompts, &why))
            return image;
        if (fellBack && formatOfPath(path) == ImageFormat::IntelHex)
            *fellBack = why;
    }
    try {
        return Image(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(ceilingSize(
                                                          static_cast<std::int64_t>(bytes.size()))));
    } catch (const std::bad_alloc&) {
        prompts.reportError(kErrorNoMemory);
        return std::nullopt;
    }
}

namespace {

// The two upper-case digits of every byte value, side by side.
constexpr std::array<char, 512> kHexPairs = [] {
    constexpr char digits[] = "0123456789ABCDEF";
    std::array<char, 512> pairs{};
    for (std::size_t value = 0; value < 256; ++value) {
        pairs[2 * value] = digits[value >> 4];
        pairs[2 * value + 1] = digits[value & 0xF];
    }
    return pairs;
}();

inline char* putByte(char* out, unsigned value)
{
    std::memcpy(out, &kHexPairs[2 * (value & 0xFF)], 2);
    return out + 2;
}

inline char* putLineEnd(char* out)
{
    out[0] = '\r';
    out[1] = '\n';
    return out + 2;
}

// ":02000002" or ":02000004", a 16-bit value and its checksum.
char* putAddressRecord(char* out, unsigned type, unsigned value)
{
    std::memcpy(out, ":020000", 7);
    out = putByte(out + 7, type);
    out = putByte(out, value >> 8);
    out = putByte(out, value & 0xFF);
    const unsigned sum = 2 + type + (value >> 8) + (value & 0xFF);
    out = putByte(out, (0x100 - (sum & 0xFF)) & 0xFF);
    return putLineEnd(out);
}

} // namespace

bool encodeHex(std::span<const std::uint8_t> image, const std::function<bool(std::string_view)>& sink)
{
    constexpr std::size_t kOneMegabyte = 0x100000;
    constexpr std::size_t kPiece = 0x10000;
    // Room for the most one step below writes: two address records and a full data line.
    constexpr std::size_t kMostPerLine = 2 * 17 + 45;
    const std::size_t length = image.size();
    std::string piece(kPiece + kMostPerLine + 13, '\0');
    char* const begin = piece.data();
    char* out = begin;
    const auto flush = [&] {
        const bool written = sink(std::string_view(begin, static_cast<std::size_t>(out - begin)));
        out = begin;
        return written;
    };

    for (std::size_t offset = 0; offset < length; offset += 16) {
        if (static_cast<std::size_t>(out - begin) >= kPiece && !flush())
            return false;
        if (offset % 0x10000 == 0) {
            if (offset < kOneMegabyte) {
                if (offset != 0 || length > 0xFFFF)
                    out = putAddressRecord(out, 0x02, static_cast<unsigned>(offset >> 4));
            } else {
                // Readers differ on whether a segment base still applies
                // after a linear one, so clear it before the first.
                if (offset == kOneMegabyte)
                    out = putAddressRecord(out, 0x02, 0);
                out = putAddressRecord(out, 0x04, static_cast<unsigned>(offset >> 16));
            }
        }
        const unsigned count = static_cast<unsigned>(std::min<std::size_t>(16, length - offset));
        const unsigned address = static_cast<unsigned>(offset & 0xFFFF);
        *out++ = ':';
        out = putByte(out, count);
        out = putByte(out, address >> 8);
        out = putByte(out, address & 0xFF);
        *out++ = '0';
        *out++ = '0';
        unsigned sum = count + (address >> 8) + (address & 0xFF);
        const std::uint8_t* data = image.data() + offset;
        for (unsigned i = 0; i < count; ++i) {
            out = putByte(out, data[i]);
            sum += data[i];
        }
        out = putByte(out, (0x100 - (sum & 0xFF)) & 0xFF);
        out = putLineEnd(out);
    }
    std::memcpy(out, ":00000001FF\r\n", 13);
    out += 13;
    return flush();
}

std::string encodeHex(std::span<const std::uint8_t> image)
{
    const std::size_t lines = (image.size() + 15) / 16;
    const std::size_t blocks = image.size() / 0x10000 + 1;
    std::string text;
    text.reserve(lines * 45 + blocks * 17 + 17 + 13);
    encodeHex(image, [&text](std::string_view piece) {
        text.append(piece);
        return true;
    });
    return text;
}

} // namespace quorva

// The image decoder on any file content: Intel HEX (.hex, .eep) and raw (.bin).
#include "fuzz_support.h"

#include "data/hex_codec.h"
#include "data/image_limits.h"

#include <algorithm>

namespace {

using namespace quorva;

// Answers the checksum question one way and counts what was asked.
class Prompts final : public CodecPrompts {
public:
    explicit Prompts(bool accept) : accept_(accept) {}
    void reportError(int messageId) override
    {
        ++errors;
        lastError = messageId;
    }
    bool acceptBadChecksum() override
    {
        ++questions;
        return accept_;
    }
    int errors = 0;
    int lastError = 0;
    int questions = 0;

private:
    bool accept_;
};

// The checks after the first decode are linear in the image; bigger images
// add time, not paths.
constexpr std::size_t kRoundTripLimit = std::size_t{256} << 10;

constexpr const char* kPaths[] = {"image.hex", "IMAGE.EEP", "image.bin", "image.Bin", "image.txt", "bin"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> text(data, size);

    Prompts yes(true);
    const std::optional<Image> image = parseHex(text, yes);
    // The question comes once a file; an error box ends the decoding.
    FUZZ_CHECK(yes.questions <= 1);
    FUZZ_CHECK(yes.errors <= 1);
    if (yes.errors) {
        FUZZ_CHECK(!image);
        FUZZ_CHECK(yes.lastError == 1019 || yes.lastError == 1020);
    }
    if (image)
        FUZZ_CHECK(image->size() <= static_cast<std::size_t>(kImageLimit));

    if (yes.questions) {
        // Answering No stops at that first bad checksum, before any later error.
        Prompts no(false);
        FUZZ_CHECK(!parseHex(text, no));
        FUZZ_CHECK(no.questions == 1 && no.errors == 0);
    }

    // Whatever decoded, our own encoding of it decodes to the same image,
    // with every checksum right.
    if (image && image->size() <= kRoundTripLimit) {
        const std::string encoded = encodeHex(*image);
        Prompts strict(false);
        const auto again = parseHex({reinterpret_cast<const std::uint8_t*>(encoded.data()), encoded.size()}, strict);
        FUZZ_CHECK(strict.questions == 0 && strict.errors == 0);
        FUZZ_CHECK(again && *again == *image);
    }

    // A load: HEX unless the name says binary, raw when HEX fails. Both
    // overloads give the same image.
    if (image && image->size() > kRoundTripLimit)
        return 0;
    const char* path = kPaths[size % std::size(kPaths)];
    Prompts viewPrompts(true);
    Prompts movePrompts(true);
    const auto viewed = parseImage(path, text, viewPrompts);
    const auto moved = parseImage(path, std::vector<std::uint8_t>(text.begin(), text.end()), movePrompts);
    FUZZ_CHECK(viewed && moved && *viewed == *moved);
    FUZZ_CHECK(viewPrompts.questions == movePrompts.questions && viewPrompts.errors == movePrompts.errors);
    const bool asHex = formatOfPath(path) != ImageFormat::Binary && image;
    if (asHex) {
        FUZZ_CHECK(*viewed == *image);
    } else {
        const std::size_t kept = std::min(size, static_cast<std::size_t>(kImageLimit));
        FUZZ_CHECK(std::equal(viewed->begin(), viewed->end(), data, data + kept));
    }
    return 0;
}

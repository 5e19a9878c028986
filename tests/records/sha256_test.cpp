#include "process.h"
#include "records/sha256.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <random>

namespace quorva {
namespace {

std::string hashOf(const std::string& text)
{
    return sha256Hex({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

TEST(Sha256, KnownDigestsAcrossTheOneAndTwoBlockPadding)
{
    EXPECT_EQ(hashOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(hashOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the first padding block.
    EXPECT_EQ(hashOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(Sha256, AgreesWithSha256sumOnImagesOfEveryTailLength)
{
    test::TempFolder folder;
    std::mt19937 random(7);
    for (const std::size_t size : {63U, 64U, 65U, 119U, 120U, 32768U + 17U}) {
        std::string image(size, '\0');
        for (char& c : image)
            c = static_cast<char>(random());
        test::writeFile(folder.file("image.bin"), image);
        const test::ProcessResult peer = test::runProcess({"/usr/bin/sha256sum", folder.file("image.bin")});
        ASSERT_EQ(peer.status, 0) << peer.err;
        EXPECT_EQ(hashOf(image), peer.out.substr(0, 64)) << size;
    }
}

} // namespace
} // namespace quorva

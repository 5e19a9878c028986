#include "base/atomic_file.h"
#include "data/hex_codec.h"
#include "data/image_file.h"
#include "data_test_helpers.h"
#include "scripted_ui.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace quorva::test {
namespace {

// A disk that fills up part way: no file of this process may grow beyond
// `bytes`, and a write past that fails instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limited{bytes, saved_.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = SIG_DFL;
};

TEST(ImageFileSave, HexStreamedToAFullDiskLeavesTheOldFileAndNoTemporary)
{
    TempFolder folder;
    const std::string path = folder.file("image.hex");
    ASSERT_TRUE(writeFileAtomically(path, "old"));
    const Image image = patternImage(0x40000, 7); // many pieces of text, the limit falls within one
    ScriptedUi ui;
    {
        const FileSizeLimit limit(300000);
        EXPECT_FALSE(writeImageFile(ui, path, image));
    }
    EXPECT_EQ(readWholeFile(path), "old");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"image.hex"});
    EXPECT_EQ(ui.callsStartingWith("box: ").size(), 1u);

    ASSERT_TRUE(writeImageFile(ui, path, image));
    EXPECT_EQ(readWholeFile(path), encodeHex(image));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"image.hex"});
}

TEST(ImageFileSave, StreamedHexStopsAtTheFirstRefusedPiece)
{
    const Image image = patternImage(0x40000, 3);
    std::string joined;
    int pieces = 0;
    EXPECT_TRUE(encodeHex(image, [&](std::string_view piece) {
        joined.append(piece);
        ++pieces;
        return true;
    }));
    EXPECT_EQ(joined, encodeHex(image));
    EXPECT_GT(pieces, 2);

    int offered = 0;
    EXPECT_FALSE(encodeHex(image, [&](std::string_view) { return ++offered < 2; }));
    EXPECT_EQ(offered, 2);
}

} // namespace
} // namespace quorva::test

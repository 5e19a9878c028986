#include "data/hex_codec.h"
#include "data/serial_sequence.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quorva::test {
namespace {

constexpr int kAddress = 2; // a 3-byte number at 0..2, then a byte that must stay
const Image kStart{0x00, 0x12, 0xFE, 0x5A};

std::uint32_t numberInFile(const std::string& path)
{
    const std::string text = fileContents(path);
    struct Quiet final : CodecPrompts {
        void reportError(int) override {}
        bool acceptBadChecksum() override { return false; }
    } prompts;
    const auto image = parseHex(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), prompts);
    EXPECT_TRUE(image) << "the file no longer parses";
    EXPECT_EQ(image->back(), 0x5A);
    return image ? serialNumberAt(*image, kAddress) : 0;
}

// Takes count numbers and appends each to the list.
void takeMany(SerialSequence& sequence, int count, std::vector<std::uint32_t>& numbers)
{
    Image copy = kStart;
    for (int i = 0; i < count; ++i) {
        std::uint32_t number = 0;
        ASSERT_TRUE(sequence.take(copy, number));
        ASSERT_EQ(serialNumberAt(copy, kAddress), number);
        numbers.push_back(number);
    }
}

// A process of its own taking count numbers from the file, writing them to out.
pid_t takeInChild(const std::string& file, int count, const std::string& out)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    FileSerialSequence sequence(file, kAddress);
    std::ofstream numbers(out);
    Image copy = kStart;
    for (int i = 0; i < count; ++i) {
        std::uint32_t number = 0;
        if (!sequence.take(copy, number))
            _exit(1);
        numbers << number << std::endl; // each line whole before the next take
    }
    _exit(0);
}

std::vector<std::uint32_t> numbersIn(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::uint32_t> numbers;
    for (std::uint32_t n = 0; in >> n;)
        numbers.push_back(n);
    return numbers;
}

TEST(SerialSequence, CountsUpWithCarryAcrossAtMostFourBytes)
{
    Image image{0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x07};
    EXPECT_EQ(incrementSerialNumber(image, 4), 1);
    EXPECT_EQ(image, (Image{0x01, 0x00, 0x00, 0x00, 0x00, 0x07}));   // the fifth byte is not part of it
    EXPECT_EQ(serialNumberAt(Image{0x00, 0x12, 0x34}, 99), 0x1234u); // beyond the end: the last byte
    Image none;
    EXPECT_EQ(incrementSerialNumber(none, 0), -1);
}

TEST(SerialSequence, ThreadsAndProcessesNeverShareANumber)
{
    TempFolder folder;
    const std::string file = folder.file("serial.hex");
    writeFile(file, encodeHex(kStart));
    constexpr int kEach = 1000;

    std::vector<pid_t> children;
    for (int p = 0; p < 4; ++p)
        children.push_back(takeInChild(file, kEach, folder.file("p" + std::to_string(p))));
    FileSerialSequence shared(file, kAddress);
    std::vector<std::vector<std::uint32_t>> taken(8);
    std::vector<std::thread> threads;
    for (auto& numbers : taken)
        threads.emplace_back([&shared, &numbers] { takeMany(shared, kEach, numbers); });
    for (auto& thread : threads)
        thread.join();
    for (const pid_t child : children) {
        int status = -1;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int p = 0; p < 4; ++p)
        taken.push_back(numbersIn(folder.file("p" + std::to_string(p))));

    std::set<std::uint32_t> all;
    std::size_t count = 0;
    for (const auto& numbers : taken) {
        count += numbers.size();
        all.insert(numbers.begin(), numbers.end());
    }
    const std::uint32_t first = serialNumberAt(kStart, kAddress);
    EXPECT_EQ(count, 12u * kEach);
    EXPECT_EQ(all.size(), count) << "a number was given twice";
    EXPECT_EQ(*all.begin(), first);
    EXPECT_EQ(*all.rbegin(), first + count - 1) << "a number was skipped";
    EXPECT_EQ(numberInFile(file), first + count);
}

TEST(SerialSequence, AKilledProcessLosesAtMostTheNumberItWasTaking)
{
    TempFolder folder;
    const std::string file = folder.file("serial.bin");
    writeFile(file, std::string(kStart.begin(), kStart.end()));
    const pid_t victim = takeInChild(file, 1000000, folder.file("victim"));
    const pid_t other = takeInChild(file, 500, folder.file("other"));
    int status = 0;
    waitpid(other, &status, 0);
    kill(victim, SIGKILL);
    waitpid(victim, &status, 0);

    std::vector<std::uint32_t> numbers = numbersIn(folder.file("victim"));
    const std::vector<std::uint32_t> others = numbersIn(folder.file("other"));
    numbers.insert(numbers.end(), others.begin(), others.end());
    const std::set<std::uint32_t> all(numbers.begin(), numbers.end());
    EXPECT_EQ(all.size(), numbers.size()) << "a number was given twice";
    const std::string after = fileContents(file);
    ASSERT_EQ(after.size(), kStart.size()) << "the file is not whole";
    const std::uint32_t next =
        serialNumberAt(std::span(reinterpret_cast<const std::uint8_t*>(after.data()), 4), kAddress);
    // Written back but not yet recorded: at most the one being handed out.
    EXPECT_LE(next - serialNumberAt(kStart, kAddress) - all.size(), 1u);
    EXPECT_EQ(static_cast<unsigned char>(after[3]), 0x5A);
}

TEST(SerialSequence, AMemorySequenceIsSharedByThreads)
{
    MemorySerialSequence sequence(kStart, kAddress);
    std::vector<std::vector<std::uint32_t>> taken(8);
    std::vector<std::thread> threads;
    for (auto& numbers : taken)
        threads.emplace_back([&sequence, &numbers] { takeMany(sequence, 1000, numbers); });
    for (auto& thread : threads)
        thread.join();
    std::set<std::uint32_t> all;
    for (const auto& numbers : taken)
        all.insert(numbers.begin(), numbers.end());
    EXPECT_EQ(all.size(), 8000u);
    EXPECT_EQ(*all.rbegin() - *all.begin(), 7999u);
}

TEST(SerialSequence, AFileThatIsNotASequenceGivesNoNumber)
{
    TempFolder folder;
    Image copy = kStart;
    std::uint32_t number = 0;
    writeFile(folder.file("broken.hex"), ":0400000000");
    EXPECT_FALSE(FileSerialSequence(folder.file("broken.hex"), kAddress).take(copy, number));
    EXPECT_FALSE(FileSerialSequence(folder.file("missing.bin"), kAddress).take(copy, number));
    EXPECT_EQ(copy, kStart);
    EXPECT_EQ(fileContents(folder.file("broken.hex")), ":0400000000");
}

} // namespace
} // namespace quorva::test

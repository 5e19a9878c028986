// Loading and saving the HEX text of an 8 MB image: the codec alone, a whole
// file load into a buffer, and HEX to binary conversion side by side with
// avr-objcopy and srec_cat when they are installed (Debian: binutils-avr,
// srecord). After the benchmarks it prints the ratios, the time and peak
// memory of a whole binary to HEX save in a child process against
// avr-objcopy's, and the peak memory of a load measured in a fresh process.
//
//   hex_codec_bench [benchmark options]
//   hex_codec_bench --load-only FILE.hex   (used for the memory measurement)
//   hex_codec_bench --run-child PROGRAM [ARGUMENTS]   (used for the save comparison)

#include "data/hex_codec.h"
#include "data/image_commands.h"
#include "data/memory_buffer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace quorva;

constexpr std::size_t kImageSize = std::size_t{8} << 20;

const Image& bigImage()
{
    static const Image image = [] {
        Image bytes(kImageSize);
        std::uint32_t state = 12345;
        for (auto& byte : bytes) {
            state = state * 1664525u + 1013904223u;
            byte = static_cast<std::uint8_t>(state >> 24);
        }
        return bytes;
    }();
    return image;
}

const std::string& bigHex()
{
    static const std::string text = encodeHex(bigImage());
    return text;
}

const std::string& workFolder()
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/quorva-bench-XXXXXX";
        return std::string(mkdtemp(pattern) ? pattern : "/tmp");
    }();
    return folder;
}

std::string writeInput(const std::string& name, const std::string& contents)
{
    const std::string path = workFolder() + "/" + name;
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

const std::string& bigHexFile()
{
    static const std::string path = writeInput("big.hex", bigHex());
    return path;
}

const std::string& bigBinFile()
{
    static const std::string path =
        writeInput("big.bin", std::string(bigImage().begin(), bigImage().end()));
    return path;
}

class SilentPrompts : public CodecPrompts {
public:
    void reportError(int) override {}
    bool acceptBadChecksum() override { return true; }
};

// A Ui nobody sits at: every question is answered Yes, every chooser cancelled.
class QuietUi : public Ui {
public:
    void setStatus(const std::string&) override {}
    void showMessage(BoxIcon, const std::string&, const std::string& text) override
    {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    Answer ask(Buttons, BoxIcon, int, const std::string&, const std::string&) override { return Answer::Yes; }
    std::optional<std::string> chooseOpenFile(const FileChooser&) override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile(const FileChooser&) override { return std::nullopt; }
    void setWaitCursor(bool) override {}
    void beep() override {}
    bool openDocument(const std::string&) override { return false; }
    int runOperation(Operation&) override { return -1; }
    bool boardSettingsDialog(int&, int&) override { return false; }
    bool advancedDelaysDialog(std::array<int, 4>&) override { return false; }
    bool languageDialog(bool&) override { return false; }
    bool loadAddressDialog(int&) override { return false; }
    bool selfProgramSettingsDialog(const std::string&, const std::string&, bool&) override { return false; }
};

void decodeHex(benchmark::State& state)
{
    const std::string& text = bigHex();
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    SilentPrompts prompts;
    for (auto _ : state) {
        auto image = parseHex(bytes, prompts);
        benchmark::DoNotOptimize(image);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["hex_MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(decodeHex)->Unit(benchmark::kMillisecond);

void encodeHexText(benchmark::State& state)
{
    const Image& image = bigImage();
    for (auto _ : state) {
        auto text = encodeHex(image);
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bigHex().size()));
}
BENCHMARK(encodeHexText)->Unit(benchmark::kMillisecond);

void loadHexFileIntoBuffer(benchmark::State& state)
{
    QuietUi ui;
    MemoryBuffer buffer;
    buffer.init(ui, false, {}, nullptr);
    const std::string& path = bigHexFile();
    for (auto _ : state) {
        buffer.loadFile(path);
        benchmark::DoNotOptimize(buffer.length());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bigHex().size()));
}
BENCHMARK(loadHexFileIntoBuffer)->Unit(benchmark::kMillisecond);

bool toolInstalled(const char* name)
{
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

template <typename Job>
double bestSeconds(Job job)
{
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        const auto start = std::chrono::steady_clock::now();
        if (!job())
            return -1;
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

void report(const char* what, double seconds, double ours)
{
    if (seconds < 0) {
        std::printf("  %-44s failed\n", what);
        return;
    }
    std::printf("  %-44s %8.3f s", what, seconds);
    if (ours > 0 && seconds != ours)
        std::printf("   %.2fx our time", seconds / ours);
    std::printf("\n");
}

void comparePeers()
{
    QuietUi ui;
    const std::string hex = bigHexFile();
    const std::string bin = bigBinFile();
    const std::string out = workFolder() + "/out";
    std::printf("\nHEX of an 8 MB image (%.1f MB of text), best of three runs:\n", bigHex().size() / 1e6);

    const double ours = bestSeconds([&] { return convertImageFile(ui, hex, out + ".bin", false).ok; });
    report("ours: HEX to binary (read, decode, write)", ours, 0);
    // The whole process, start-up and all, as a script would run it.
    const std::string cli = std::string(QUORVA_CLI) + " --settings " + workFolder() + "/quorva.ini convert ";
    const double oursProcess = bestSeconds([&] { return std::system((cli + hex + " " + out + "-cli.bin").c_str()) == 0; });
    report("quorva-cli convert (whole process)", oursProcess, 0);
    if (toolInstalled("avr-objcopy"))
        report("avr-objcopy -I ihex -O binary", bestSeconds([&] {
                   return std::system(("avr-objcopy -I ihex -O binary " + hex + " " + out + "-objcopy.bin").c_str()) == 0;
               }),
               oursProcess);
    if (toolInstalled("srec_cat"))
        report("srec_cat -Intel -o -Binary", bestSeconds([&] {
                   return std::system(("srec_cat " + hex + " -Intel -o " + out + "-srec.bin -Binary").c_str()) == 0;
               }),
               ours);

    const double oursEncode = bestSeconds([&] { return convertImageFile(ui, bin, out + ".hex", false).ok; });
    report("ours: binary to HEX (read, encode, write)", oursEncode, 0);
    if (toolInstalled("avr-objcopy"))
        report("avr-objcopy -I binary -O ihex", bestSeconds([&] {
                   return std::system(("avr-objcopy -I binary -O ihex " + bin + " " + out + "-objcopy.hex").c_str()) == 0;
               }),
               oursEncode);
}

struct ChildRun {
    double seconds = -1;
    long peakKilobytes = -1;
};

// One run of a program with its output thrown away: its wall time and the
// resident high-water mark the kernel reports for it alone.
ChildRun runChild(const std::vector<std::string>& words)
{
    std::vector<char*> argv;
    for (const std::string& word : words)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return {};
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return {took.count(), usage.ru_maxrss};
}

// The best time and the largest peak of several runs. A spawned child starts
// with its parent's high-water mark, so a fresh, small copy of this program
// spawns them and prints the figures.
ChildRun bestChildRun(const char* self, const std::vector<std::string>& words)
{
    std::string command = std::string(self) + " --run-child";
    for (const std::string& word : words)
        command += " " + word;
    ChildRun best;
    for (int round = 0; round < 7; ++round) {
        FILE* helper = popen(command.c_str(), "r");
        if (!helper)
            return {};
        ChildRun run;
        if (std::fscanf(helper, "%lf %ld", &run.seconds, &run.peakKilobytes) != 2)
            run.seconds = -1;
        if (pclose(helper) != 0 || run.seconds < 0)
            return {};
        best.seconds = best.seconds < 0 ? run.seconds : std::min(best.seconds, run.seconds);
        best.peakKilobytes = std::max(best.peakKilobytes, run.peakKilobytes);
    }
    return best;
}

// Saving HEX as a script would, whole process against whole process.
void compareHexSave(const char* self)
{
    const std::string bin = bigBinFile();
    const std::string out = workFolder() + "/save";
    const ChildRun ours =
        bestChildRun(self, {QUORVA_CLI, "--settings", workFolder() + "/quorva.ini", "convert", bin, out + "-cli.hex"});
    if (ours.seconds < 0) {
        std::printf("\nquorva-cli convert to HEX failed\n");
        return;
    }
    const double text = static_cast<double>(bigHex().size());
    const double peak = static_cast<double>(ours.peakKilobytes) * 1024.0;
    std::printf("\nSaving the 8 MB image as HEX, whole process, best of seven runs:\n"
                "  quorva-cli convert BIN HEX        %8.3f s, peak memory %.1f MB = %.2fx the %.1f MB of HEX text\n",
                ours.seconds, peak / 1e6, peak / text, text / 1e6);
    if (!toolInstalled("avr-objcopy"))
        return;
    const ChildRun peer = bestChildRun(self, {"avr-objcopy", "-I", "binary", "-O", "ihex", bin, out + "-objcopy.hex"});
    if (peer.seconds < 0)
        return;
    std::printf("  avr-objcopy -I binary -O ihex     %8.3f s, peak memory %.1f MB\n"
                "  ratio ours / avr-objcopy          %8.2f\n",
                peer.seconds, static_cast<double>(peer.peakKilobytes) * 1024.0 / 1e6, ours.seconds / peer.seconds);
}

// The high-water mark of this process's resident memory, in kB.
long residentPeakKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

// What a load adds to the peak memory of a fresh process, in kB: the child
// prints it, since a spawned child may inherit its parent's high-water mark.
long loadPeakKilobytes(const char* self, const std::string& file)
{
    FILE* child = popen((std::string(self) + " --load-only " + file).c_str(), "r");
    if (!child)
        return -1;
    long added = -1;
    if (std::fscanf(child, "%ld", &added) != 1)
        added = -1;
    return pclose(child) == 0 ? added : -1;
}

void measurePeakMemory(const char* self)
{
    const long added = loadPeakKilobytes(self, bigHexFile());
    if (added < 0)
        return;
    const double megabytes = static_cast<double>(added) * 1024.0 / 1e6;
    std::printf("\nPeak memory a load adds: %.1f MB, %.2fx the HEX file's %.1f MB\n", megabytes,
                megabytes * 1e6 / static_cast<double>(bigHex().size()), bigHex().size() / 1e6);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--load-only") {
        QuietUi ui;
        MemoryBuffer buffer;
        buffer.init(ui, false, {}, nullptr);
        const long before = residentPeakKilobytes();
        buffer.loadFile(argv[2]);
        std::printf("%ld\n", residentPeakKilobytes() - before);
        return buffer.hasData() ? 0 : 1;
    }
    if (argc >= 3 && std::string(argv[1]) == "--run-child") {
        const ChildRun run = runChild(std::vector<std::string>(argv + 2, argv + argc));
        std::printf("%.6f %ld\n", run.seconds, run.peakKilobytes);
        return run.seconds < 0 ? 1 : 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    comparePeers();
    compareHexSave(argv[0]);
    measurePeakMemory(argv[0]);
    benchmark::Shutdown();
    std::string command = "rm -rf " + workFolder();
    return std::system(command.c_str()) == 0 ? 0 : 0;
}

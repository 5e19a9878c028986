// What the buffer preview costs on the GUI thread.
//
// - PaintFullView8MB: one paint of a full view of an 8 MB buffer (aim: < 2 ms).
// - ScrollToEndInPages: Page Down from the first to the last line of that
//   buffer, a paint after each step: the slowest, the 99.9th percentile and
//   the mean paint.
// - RepaintsDuringProgram256K: Program Flash of a 256 KB image (ATmega2560)
//   through the window against the in-process simulator; paints_per_s counts
//   the Flash preview's paints over the run (aim: at most 20).

#include "base/clock.h"
#include "catalogue/device_lookup.h"
#include "gui/preview_view.h"
#include "gui/window_program.h"
#include "shell/app_controller.h"
#include "shell/window_ids.h"

#include "box.h"
#include "part_info.h"
#include "sim_port.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <vector>

namespace {

using namespace quorva;

constexpr int kEightMegabytes = 8 << 20;

void fillBuffer(MemoryBuffer& buffer, int size)
{
    buffer.createBlank(size);
    for (int i = 0; i < size; ++i)
        buffer.data()[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 31 + (i >> 9));
    for (int i = 0; i < size; ++i)
        buffer.byteState()[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((i >> 6) % 7);
}

// Paints the view's viewport into an image, as the window system would ask.
void paintOnce(gui::PreviewView& view, QImage& image)
{
    QPainter painter(&image);
    view.viewport()->render(&painter);
}

// An 8 MB buffer in a view of 30 lines, shown, and an image to paint it into.
struct FullView {
    FullView()
    {
        fillBuffer(buffer, kEightMegabytes);
        view.resize(view.sizeHint().width(), 30 * view.model().cellHeight());
        view.show();
        view.refresh();
        image = QImage(view.viewport()->size(), QImage::Format_RGB32);
    }
    MemoryBuffer buffer;
    gui::PreviewView view{buffer, QStringLiteral("Preview Flash")};
    QImage image;
};

void PaintFullView8MB(benchmark::State& state)
{
    FullView full;
    gui::PreviewView& view = full.view;
    QImage& image = full.image;
    view.model().scrollTo(view.model().scrollMax() / 2);
    for (auto _ : state)
        paintOnce(view, image);
}
BENCHMARK(PaintFullView8MB)->Unit(benchmark::kMillisecond);

void ScrollToEndInPages(benchmark::State& state)
{
    FullView full;
    gui::PreviewView& view = full.view;
    QImage& image = full.image;
    paintOnce(view, image); // the glyph cache is filled once per font, not per page
    std::vector<double> paints;
    for (auto _ : state) {
        view.verticalScrollBar()->setValue(0);
        while (view.model().firstLine() < view.model().scrollMax()) {
            QKeyEvent page(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
            QApplication::sendEvent(&view, &page);
            const auto started = std::chrono::steady_clock::now();
            paintOnce(view, image);
            paints.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count());
        }
    }
    // The slowest paint, and the one 99.9 % of the paints stay under: a
    // single paint the scheduler interrupted says little about the view.
    std::sort(paints.begin(), paints.end());
    if (!paints.empty()) {
        state.counters["max_paint_ms"] = paints.back();
        state.counters["p999_paint_ms"] = paints[paints.size() * 999 / 1000];
        state.counters["mean_paint_ms"] =
            std::accumulate(paints.begin(), paints.end(), 0.0) / static_cast<double>(paints.size());
    }
    state.counters["pages"] = static_cast<double>(paints.size()) / static_cast<double>(state.iterations());
}
BENCHMARK(ScrollToEndInPages)->Iterations(1)->Unit(benchmark::kSecond);

// Counts the paints a widget gets.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void RepaintsDuringProgram256K(benchmark::State& state)
{
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/quorva-preview-bench-XXXXXX";
    const std::string folder = ::mkdtemp(pattern);
    const std::string settings = folder + "/quorva.ini";
    std::ofstream(settings) << "[Connect]\nCOM=1\nHighSpeed=2\n";
    Clock& clock = realClock();
    double rate = 0;
    for (auto _ : state) {
        sim::Box box{clock, sim::makeChip(*sim::findChip("ATmega2560"))};
        box.chip().setInstantWrites(true);
        sim::SimPort port{clock};
        port.attach(0, box);
        SettingsStore store(settings);
        gui::WindowProgram program(store, port, clock);
        AppController& controller = program.controller;
        gui::MainWindow& window = program.window;
        program.startUp("\"quorva\"");
        window.submit([&] {
            controller.window().showDevice(findByName("ATmega256x"));
            controller.window().onDeviceChanged();
            fillBuffer(controller.flash(), 256 * 1024);
        });
        program.waitIdle();
        QApplication::processEvents();
        // Nobody sits at the bench: a question gets its default answer.
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&state] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                state.SetLabel(box->text().toStdString());
                box->defaultButton()->click();
            }
        });
        answer.start(20);
        PaintCounter counter;
        window.flashPreview()->viewport()->installEventFilter(&counter);
        const auto started = std::chrono::steady_clock::now();
        window.command(cmd::ProgramFlash);
        program.waitIdle();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (controller.context().lastResult != 0)
            state.SkipWithError("the run failed");
        rate = counter.paints / seconds;
        state.SetIterationTime(seconds);
    }
    state.counters["paints_per_s"] = rate;
    fs::remove_all(folder);
}
BENCHMARK(RepaintsDuringProgram256K)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

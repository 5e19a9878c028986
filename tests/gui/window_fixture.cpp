#include "window_fixture.h"

#include "base/messages.h"

#include "part_info.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QUrl>

#include <chrono>

namespace quorva::test {

WindowFixture::WindowFixture() : box(clock, sim::makeChip(*sim::findChip("ATmega8")))
{
    port.attach(0, box);
    writeFile(settingsPath, "[Connect]\nCOM=1\n");
}

WindowFixture::~WindowFixture()
{
    idle();
    setRussianUi(false);
}

void WindowFixture::startUp(const std::string& commandLine)
{
    program.startUp(commandLine);
    idle();
    QApplication::processEvents();
}

void WindowFixture::idle()
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (runner.busy() && std::chrono::steady_clock::now() < until)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    QApplication::processEvents();
}

void WindowFixture::click(int id)
{
    control<QPushButton>(id)->click();
    idle();
}

QAction* WindowFixture::action(int id)
{
    return window.findChild<QAction*>(QString::number(id));
}

void WindowFixture::dropFiles(const QStringList& paths, QWidget& onto)
{
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    window.dropUrls(urls, onto.mapTo(&window, onto.rect().center()));
    idle();
}

std::string WindowFixture::writeHex(const std::string& name, int bytes)
{
    std::string text;
    for (int address = 0; address < bytes; address += 16) {
        unsigned sum = 16 + static_cast<unsigned>(address >> 8) + static_cast<unsigned>(address & 0xFF);
        char line[64];
        std::snprintf(line, sizeof line, ":10%04X00", address);
        text += line;
        for (int i = 0; i < 16; ++i) {
            const unsigned value = static_cast<unsigned>((address + i) * 7 & 0xFF);
            sum += value;
            std::snprintf(line, sizeof line, "%02X", value);
            text += line;
        }
        std::snprintf(line, sizeof line, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
        text += line;
    }
    text += ":00000001FF\n";
    const std::string path = folder.file(name);
    writeFile(path, text);
    return path;
}

} // namespace quorva::test

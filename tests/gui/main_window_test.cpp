#include "window_fixture.h"

#include "base/messages.h"
#include "gui/progress_window.h"
#include "screenshots.h"
#include "shell/window_ids.h"
#include "stand_in_program.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace quorva::test {
namespace {

using MainWindowTest = WindowFixture;

QStringList menuTitles(QMainWindow& window)
{
    QStringList titles;
    for (QMenu* menu : window.findChildren<QMenu*>())
        titles << menu->title();
    return titles;
}

TEST_F(MainWindowTest, ControlsFollowTheDeviceAndTheLanguage)
{
    startUp();
    EXPECT_EQ(control<QPushButton>(cmd::ProgramFlash)->text(), "Program Flash");
    EXPECT_FALSE(control<QPushButton>(cmd::ProgramFlash)->isEnabled()); // no Flash file yet
    EXPECT_EQ(window.windowTitle(), "[Unspecified] - In-System Programmer 11.56");
    EXPECT_TRUE(menuTitles(window).contains("&Project"));

    // An AT45 turns Program Eeprom into the power-of-2 command; calibration
    // is there only for chips that have the bytes.
    auto* families = control<QComboBox>(control::FamilyList);
    families->setCurrentIndex(2);
    emit families->activated(2);
    idle();
    EXPECT_EQ(control<QPushButton>(cmd::ProgramEeprom)->text(), "Set \"power of 2\" bit");
    EXPECT_TRUE(control<QPushButton>(cmd::ProgramEeprom)->isEnabled());
    EXPECT_FALSE(action(cmd::ReadCalibration)->isEnabled());
    families->setCurrentIndex(7);
    emit families->activated(7); // ATmega...
    idle();
    EXPECT_EQ(control<QPushButton>(cmd::ProgramEeprom)->text(), "Program Eeprom");
    EXPECT_TRUE(action(cmd::ReadCalibration)->isEnabled());

    person.next([](QWidget& dialog) {
        dialog.findChild<QAbstractButton*>("1126")->click();
        dialog.findChild<QAbstractButton*>("1")->click();
    });
    window.command(cmd::SelectLanguage);
    idle();
    EXPECT_EQ(control<QPushButton>(cmd::ProgramFlash)->text(), "Программир. Flash");
    EXPECT_EQ(control<QGroupBox>(1079)->title(), "Микросхема");
    EXPECT_EQ(window.windowTitle(), "[Unspecified] - Внутрисхемный программатор 11.56");
    EXPECT_TRUE(menuTitles(window).contains("Проект"));
    EXPECT_TRUE(menuTitles(window).contains("&Flash")); // keeps its title in both languages

    person.next([](QWidget& dialog) {
        dialog.findChild<QAbstractButton*>("1125")->click();
        dialog.findChild<QAbstractButton*>("1")->click();
    });
    window.command(cmd::SelectLanguage);
    idle();
    EXPECT_EQ(control<QPushButton>(cmd::ProgramFlash)->text(), "Program Flash");
    EXPECT_TRUE(menuTitles(window).contains("&Project"));
}

TEST_F(MainWindowTest, RecentProjectsReplaceThePlaceholder)
{
    startUp();
    ASSERT_NE(action(cmd::RecentPlaceholder), nullptr);
    EXPECT_EQ(action(cmd::RecentPlaceholder)->text(), "Recent Projects");

    const std::string first = folder.file("one & two.kx2");
    const std::string second = folder.file("b.kx2");
    writeFile(first, "[Files]\nFlash=[Unspecified]\nEeprom=[Unspecified]\n[Device]\nDeviceNo=17\n");
    writeFile(second, "[Files]\nFlash=[Unspecified]\nEeprom=[Unspecified]\n[Device]\nDeviceNo=17\n");
    controller.recent().pushRecent(first, store);
    controller.recent().pushRecent(second, store);
    window.command(cmd::ProjectNew); // any command renders the new list
    idle();
    EXPECT_EQ(action(cmd::RecentPlaceholder), nullptr);
    EXPECT_EQ(action(cmd::FirstRecent)->text().toStdString(), second);
    // A folder name with "&" is shown as it is, not as a mnemonic.
    EXPECT_EQ(action(cmd::FirstRecent + 1)->text().toStdString(), folder.file("one && two.kx2"));

    action(cmd::FirstRecent + 1)->trigger();
    idle();
    EXPECT_EQ(action(cmd::FirstRecent)->text().toStdString(), folder.file("one && two.kx2"));
    EXPECT_EQ(window.windowTitle().toStdString(), first + " - In-System Programmer 11.56");
}

TEST_F(MainWindowTest, DropsGoToThePaneUnderThePointer)
{
    startUp();
    const std::string hex = writeHex("board.hex", 64);
    dropFiles({QString::fromStdString(hex)}, *window.eepromFrame());
    EXPECT_EQ(control<QLabel>(control::EepromLabel)->text().toStdString(), hex);
    EXPECT_TRUE(control<QLabel>(control::StatusLine)->text().startsWith("Eeprom length: 64 (0x40) bytes"));

    dropFiles({QString::fromStdString(hex)}, *window.flashFrame());
    EXPECT_EQ(control<QLabel>(control::FlashLabel)->text().toStdString(), hex);
    EXPECT_TRUE(control<QPushButton>(cmd::ProgramFlash)->isEnabled());

    // Several files or a folder: a message, and nothing else changes.
    const QString before = control<QLabel>(control::StatusLine)->text();
    dropFiles({QString::fromStdString(hex), QString::fromStdString(hex)}, *window.flashFrame());
    dropFiles({QString::fromStdString(folder.path())}, *window.eepromFrame());
    ASSERT_EQ(person.boxTexts.size(), 2);
    EXPECT_TRUE(person.boxTexts[0].contains("2"));
    EXPECT_TRUE(person.boxTexts[1].contains(QString::fromStdString(folder.path())));
    EXPECT_EQ(control<QLabel>(control::StatusLine)->text(), before);
    EXPECT_EQ(control<QLabel>(control::EepromLabel)->text().toStdString(), hex);

    const std::string project = folder.file("BOARD.KX2");
    writeFile(project, "[Files]\nFlash=[Unspecified]\nEeprom=[Unspecified]\n[Device]\nDeviceNo=17\n");
    dropFiles({QString::fromStdString(project)}, *control<QPushButton>(cmd::ChipErase));
    EXPECT_EQ(window.windowTitle().toStdString(), project + " - In-System Programmer 11.56");
}

TEST_F(MainWindowTest, MenuKeysWorkWhileEnterAndEscapeLeaveTheWindowOpen)
{
    CurrentDirectory here(folder.path());
    startUp();
    EXPECT_EQ(action(cmd::Help)->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(action(cmd::ProjectOpen)->shortcut(), QKeySequence(QKeySequence::Open));
    EXPECT_EQ(action(cmd::ProjectSave)->shortcut(), QKeySequence(QKeySequence::Save));
    EXPECT_EQ(action(cmd::Exit)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(&window, key);
        idle();
        EXPECT_TRUE(window.isVisible());
    }
    EXPECT_TRUE(person.boxTexts.isEmpty());
    QTest::keyClick(&window, Qt::Key_F1); // Help, which finds no page here
    idle();
    ASSERT_EQ(person.boxTexts.size(), 1);
    EXPECT_TRUE(person.boxTexts[0].contains("help/quorva.htm"));
}

TEST_F(MainWindowTest, ATallerWindowMovesTheLowerControlsAndStretchesTheFlashPane)
{
    startUp();
    const int width = window.width();
    const int initial = window.height();
    EXPECT_EQ(window.minimumWidth(), width);
    EXPECT_EQ(window.maximumWidth(), width);
    auto place = [this](QWidget* widget) { return widget->mapTo(&window, QPoint(0, 0)); };
    QWidget* eepromPane = control<QGroupBox>(1112);
    QWidget* status = control<QLabel>(control::StatusLine);
    QWidget* sck = control<QComboBox>(control::SckList);
    QWidget* device = control<QGroupBox>(1079);
    const QPoint eepromAt = place(eepromPane), statusAt = place(status), sckAt = place(sck), deviceAt = place(device),
                 flashAt = place(window.flashFrame());
    const int flashHeight = window.flashFrame()->height();
    const int eepromHeight = window.eepromFrame()->height();

    window.resize(width, initial + 100);
    QApplication::processEvents();
    EXPECT_EQ(place(eepromPane), eepromAt + QPoint(0, 100));
    EXPECT_EQ(place(status), statusAt + QPoint(0, 100));
    EXPECT_EQ(place(sck), sckAt + QPoint(0, 100));
    EXPECT_EQ(place(device), deviceAt);
    EXPECT_EQ(place(window.flashFrame()), flashAt);
    EXPECT_EQ(window.flashFrame()->height(), flashHeight + 100);
    EXPECT_EQ(window.eepromFrame()->height(), eepromHeight);

    window.resize(width + 50, initial - 100);
    QApplication::processEvents();
    EXPECT_EQ(window.height(), initial);
    EXPECT_EQ(window.width(), width);

    // Maximised: the width kept, centred at the top, as tall as the screen allows.
    window.showMaximized();
    QTest::qWait(50);
    const QRect screen = window.screen()->availableGeometry();
    EXPECT_EQ(window.width(), width);
    EXPECT_EQ(window.frameGeometry().top(), screen.top());
    EXPECT_EQ(window.frameGeometry().left(), screen.x() + (screen.width() - window.frameGeometry().width()) / 2);
    EXPECT_EQ(window.frameGeometry().bottom(), screen.bottom());
    EXPECT_GT(window.height(), initial);
}

TEST_F(MainWindowTest, ProgramRunsWithProgressWhileTheWindowRepaints)
{
    startUp();
    box.chip().setInstantWrites(true);
    const std::string hex = writeHex("board.hex", 4096);
    dropFiles({QString::fromStdString(hex)}, *window.flashFrame());
    int barSeen = -1;
    bool centralDisabled = false;
    person.onProgress([&](QWidget& progress) {
        barSeen = static_cast<gui::ProgressWindow&>(progress).barValue();
        centralDisabled = !window.centralWidget()->isEnabled() || runner.busy();
        saveScreenshot(progress, "progress-window-en");
    });
    click(cmd::ProgramFlash);
    EXPECT_GE(barSeen, 0);
    EXPECT_TRUE(centralDisabled);
    EXPECT_TRUE(window.centralWidget()->isEnabled());
    const sim::ChipState state = box.chip().state();
    const std::vector<std::uint8_t>& flash = state.memories.at("flash");
    EXPECT_EQ(flash[17], 17 * 7 & 0xFF);
    EXPECT_EQ(flash[4095], 4095 * 7 & 0xFF);
    EXPECT_EQ(flash[4096], 0xFF);
}

TEST_F(MainWindowTest, ACancelledReadLeavesTheImageItsNameAndSaysSo)
{
    startUp();
    const std::string hex = writeHex("board.hex", 4096);
    dropFiles({QString::fromStdString(hex)}, *window.flashFrame());
    const std::vector<std::uint8_t> image(controller.flash().data().begin(), controller.flash().data().end());
    // The box holds the first read command until the person has pressed
    // Cancel, so the read cannot finish first.
    std::atomic<bool> cancelPressed{false};
    box.setTrace([&](const std::string& line) {
        for (int waited = 0; line == "rx 7D" && !cancelPressed && waited < 1000; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
    for (bool russian : {false, true}) {
        if (russian) {
            person.next([](QWidget& dialog) {
                dialog.findChild<QAbstractButton*>("1126")->click();
                dialog.findChild<QAbstractButton*>("1")->click();
            });
            window.command(cmd::SelectLanguage);
            idle();
        }
        cancelPressed = false;
        person.onProgress([&](QWidget& progress) {
            QTest::keyClick(&progress, Qt::Key_Escape);
            cancelPressed = true;
        });
        click(cmd::ReadFlash);
        EXPECT_EQ(control<QLabel>(control::StatusLine)->text().toStdString(), formatMessage(2220, messageText(1086)));
        EXPECT_EQ(controller.flash().fileName(), hex);
        EXPECT_FALSE(controller.flash().modified());
        EXPECT_TRUE(
            std::equal(image.begin(), image.end(), controller.flash().data().begin(), controller.flash().data().end()));
        saveScreenshot(window, russian ? "read-cancelled-ru" : "read-cancelled-en");
    }
    box.setTrace({});
}

TEST_F(MainWindowTest, TheFirstStartAsksForThePortBeforeTheWindowShows)
{
    writeFile(settingsPath, "");
    bool windowShown = true;
    person.next([&](QWidget& dialog) {
        windowShown = window.isVisible();
        dialog.findChild<QAbstractButton*>("1003")->click(); // COM3
        dialog.findChild<QAbstractButton*>("1")->click();
    });
    startUp();
    EXPECT_FALSE(windowShown);
    EXPECT_EQ(SettingsStore(settingsPath).getString("Connect", "COM", ""), "3");
    EXPECT_EQ(controller.linkSettings().comPort, 3);
}

TEST_F(MainWindowTest, BoardSettingsSearchChoosesThePortTheBoxAnswersOn)
{
    writeFile(settingsPath, "[Connect]\nCOM=5\n");
    startUp();
    QString note;
    person.next([&](QWidget& dialog) {
        dialog.findChild<QAbstractButton*>("1021")->click(); // returns once the search is done
        note = dialog.findChild<QLabel*>("1020")->text();
        EXPECT_TRUE(dialog.findChild<QAbstractButton*>("1001")->isChecked());
        dialog.findChild<QAbstractButton*>("1")->click();
    });
    window.command(cmd::BoardSettings);
    idle();
    EXPECT_EQ(note, "The box answers on COM1.");
    EXPECT_EQ(controller.linkSettings().comPort, 1);
    EXPECT_EQ(SettingsStore(settingsPath).getString("Connect", "COM", ""), "1");
}

TEST_F(MainWindowTest, HelpWithoutItsFileOrAProgramToShowItSaysWhereItIs)
{
    CurrentDirectory here(folder.path());
    startUp();
    EXPECT_EQ(control<QLabel>(control::StatusLine)->text(), "Please wait..."); // nothing reported yet
    window.command(cmd::Help);
    idle();
    ASSERT_EQ(person.boxTexts.size(), 1);
    EXPECT_TRUE(person.boxTexts[0].contains("help/quorva.htm"));

    std::filesystem::create_directory(folder.file("help"));
    writeFile(folder.file("help/quorva.htm"), "<html></html>");
    const StandInProgram noOpener("xdg-open", "");
    window.command(cmd::Help);
    idle();
    ASSERT_EQ(person.boxTexts.size(), 2);
    EXPECT_TRUE(
        person.boxTexts[1].endsWith("Open it yourself: " + QString::fromStdString(folder.file("help/quorva.htm"))))
        << person.boxTexts[1].toStdString();
}

TEST_F(MainWindowTest, ScreenshotsOfTheDemoProject)
{
    CurrentDirectory root(QUORVA_SOURCE_DIR); // the demo names its files from here
    startUp("\"quorva\" \"examples/demo.kx2\"");
    click(cmd::ReadSignatureButton);
    saveScreenshot(window, "main-window-en");
    person.next([](QWidget& dialog) {
        dialog.findChild<QAbstractButton*>("1126")->click();
        dialog.findChild<QAbstractButton*>("1")->click();
    });
    window.command(cmd::SelectLanguage);
    idle();
    click(cmd::ReadSignatureButton);
    saveScreenshot(window, "main-window-ru");
    EXPECT_EQ(control<QLabel>(control::StatusLine)->text(), "Сигнатура: 1E 93 07 - ATmega8/8A");
}

TEST_F(MainWindowTest, TheQuestionAboutAnotherChipNamesItAndDefaultsToNo)
{
    const std::string hex = writeHex("board.hex", 256);
    const std::string project = folder.file("board.kx2");
    writeFile(project, "[Files]\nFlash=" + hex + "\n[Settings]\nCheckSign=1\n[Device]\nDeviceNo=21\n");
    startUp("\"quorva\" \"" + project + "\""); // an ATmega16 project; the box holds an ATmega8
    for (const char* language : {"en", "ru"}) {
        bool noIsDefault = false;
        QString noCaption;
        person.next([&](QWidget& widget) {
            auto& box = static_cast<QMessageBox&>(widget);
            noIsDefault = box.defaultButton() == box.button(QMessageBox::No);
            noCaption = box.button(QMessageBox::No)->text();
            saveScreenshot(box, std::string("signature-mismatch-question-") + language);
            pressBoxButton(box, QMessageBox::No);
        });
        click(cmd::ProgramFlash);
        EXPECT_TRUE(noIsDefault) << language;
        EXPECT_EQ(noCaption.toStdString(), messageText(1006)) << "the buttons speak the window's language";
        ASSERT_FALSE(person.boxTexts.isEmpty());
        EXPECT_TRUE(
            person.boxTexts.back().endsWith(QString::fromUtf8(formatMessage(2202, 0x1E, 0x93, 0x07, "ATmega8/8A"))))
            << person.boxTexts.back().toStdString();
        EXPECT_EQ(control<QLabel>(control::StatusLine)->text().toStdString(), messageText(1083));
        if (std::string_view(language) == "ru")
            break;
        person.next([](QWidget& dialog) {
            dialog.findChild<QAbstractButton*>("1126")->click();
            dialog.findChild<QAbstractButton*>("1")->click();
        });
        window.command(cmd::SelectLanguage);
        idle();
    }
    EXPECT_EQ(box.chip().state().memories.at("flash")[0], 0xFF) << "nothing programmed";
}

TEST_F(MainWindowTest, AQuestionFromTheCommandThreadIsAnsweredOnTheGuiThread)
{
    startUp();
    bool onGui = false;
    person.next([&onGui](QWidget& box) {
        onGui = QThread::currentThread() == QApplication::instance()->thread();
        pressBoxButton(box, QMessageBox::No);
    });
    Answer answer = Answer::Yes;
    std::thread::id asker;
    window.submit([&] {
        asker = std::this_thread::get_id();
        answer = ui.ask(Buttons::YesNo, BoxIcon::Question, 0, "Caption", "Go on?");
    });
    idle();
    EXPECT_NE(asker, std::this_thread::get_id());
    EXPECT_TRUE(onGui);
    EXPECT_EQ(answer, Answer::No);
    EXPECT_EQ(person.boxTexts, QStringList{"Go on?"});
}

} // namespace
} // namespace quorva::test

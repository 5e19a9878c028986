// The small dialogs, each opened as the window opens it and driven through
// its widgets by control id.
#include "base/messages.h"
#include "gui/gui_dialogs.h"
#include "gui/production_records_dialog.h"
#include "records/memory_record_store.h"
#include "screenshots.h"
#include "scripted_ui.h"
#include "shell/production_records_model.h"
#include "shell/settings_store.h"
#include "stand_in_program.h"
#include "temp_folder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

// Readable failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace quorva {
namespace {

template <typename W = QWidget>
W* control(QWidget& dialog, int id)
{
    auto* found = dialog.findChild<W*>(QString::number(id));
    EXPECT_NE(found, nullptr) << "no control " << id;
    return found;
}

QString textOf(QWidget& dialog, int id)
{
    QWidget* widget = control(dialog, id);
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    return {};
}

bool isChecked(QWidget& dialog, int id)
{
    return control<QAbstractButton>(dialog, id)->isChecked();
}

void click(QWidget& dialog, int id)
{
    control<QAbstractButton>(dialog, id)->click();
}

// Calls open(), which shows a modal dialog, and runs drive on that dialog
// once it is on screen. drive must close it; should it not, the dialog is
// rejected after a while so that a failing test cannot hang the suite.
void whileOpen(const std::function<void()>& open, const std::function<void(QDialog&)>& drive)
{
    bool driven = false;
    const QObject scope; // a dialog that never opened must not leave the timer behind
    QTimer::singleShot(0, &scope, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        QTimer::singleShot(10000, dialog, &QDialog::reject);
        drive(*dialog);
        driven = true;
    });
    open();
    EXPECT_TRUE(driven) << "no dialog opened";
}

class DialogsTest : public testing::Test {
protected:
    void TearDown() override { setRussianUi(false); }
};

TEST_F(DialogsTest, LanguageDialogShowsAndReturnsTheChosenLanguage)
{
    bool russian = false;
    whileOpen([&] { EXPECT_TRUE(gui::execLanguageDialog(nullptr, russian)); },
              [](QDialog& dialog) {
                  EXPECT_EQ(dialog.windowTitle(), "Language");
                  EXPECT_TRUE(isChecked(dialog, 1125));
                  test::saveScreenshot(dialog, "language-en");
                  click(dialog, 1126);
                  click(dialog, 1);
              });
    EXPECT_TRUE(russian);

    setRussianUi(true);
    whileOpen([&] { EXPECT_FALSE(gui::execLanguageDialog(nullptr, russian)); },
              [](QDialog& dialog) {
                  EXPECT_EQ(dialog.windowTitle(), "Язык");
                  EXPECT_TRUE(isChecked(dialog, 1126));
                  EXPECT_EQ(textOf(dialog, 2), "Отмена");
                  test::saveScreenshot(dialog, "language-ru");
                  click(dialog, 1125);
                  click(dialog, 2);
              });
    EXPECT_TRUE(russian);
}

TEST_F(DialogsTest, BoardSettingsKeepCustomPortAndHiddenBaudAndMapThePickedDevice)
{
    test::TempFolder folder;
    SettingsStore store(folder.file("q.ini"));
    const std::string device = folder.file("ttyHere0");
    test::writeFile(device, "");
    store.setPortPath(15, device);
    int comPort = 15;
    int highSpeed = 2;
    whileOpen([&] { EXPECT_TRUE(gui::execBoardSettingsDialog(nullptr, store, comPort, highSpeed)); },
              [&](QDialog& dialog) {
                  EXPECT_EQ(dialog.windowTitle(), "Programmer Settings");
                  EXPECT_TRUE(isChecked(dialog, 1013));
                  EXPECT_EQ(control<QLineEdit>(dialog, 1014)->text(), "15");
                  EXPECT_TRUE(isChecked(dialog, 1017));
                  EXPECT_FALSE(control(dialog, 1017)->isVisible());
                  EXPECT_EQ(textOf(dialog, 1055), "Low speed");
                  EXPECT_EQ(textOf(dialog, 1015), "19200 baud");
                  EXPECT_EQ(textOf(dialog, 1017), "921600 baud (USB, KX3)");
                  EXPECT_EQ(control<QComboBox>(dialog, 1019)->currentText().toStdString(), device);
                  EXPECT_EQ(textOf(dialog, 1020), "");
                  test::saveScreenshot(dialog, "board-settings-en");
                  click(dialog, 1);
              });
    EXPECT_EQ(comPort, 15);
    EXPECT_EQ(highSpeed, 2);

    setRussianUi(true);
    const std::string missing = folder.file("ttyGone0");
    whileOpen([&] { EXPECT_TRUE(gui::execBoardSettingsDialog(nullptr, store, comPort, highSpeed)); },
              [&](QDialog& dialog) {
                  EXPECT_EQ(dialog.windowTitle(), "Настройки программатора");
                  click(dialog, 1003);
                  EXPECT_EQ(textOf(dialog, 1018), "Устройство для COM3:");
                  auto* chooser = control<QComboBox>(dialog, 1019);
                  EXPECT_EQ(chooser->currentText(), "/dev/ttyUSB2");
                  // The captions the description gives, in either language.
                  EXPECT_EQ(textOf(dialog, 1016), "115200 baud");
                  const QRect okBefore = control(dialog, 1)->geometry();
                  const int heightBefore = dialog.height();
                  chooser->setEditText(QString::fromStdString(missing));
                  QApplication::processEvents();
                  EXPECT_TRUE(control(dialog, 1020)->isVisible());
                  EXPECT_EQ(dialog.height(), heightBefore); // the buttons stay under the pointer
                  EXPECT_EQ(control(dialog, 1)->geometry(), okBefore);
                  EXPECT_TRUE(textOf(dialog, 1020).contains(QString::fromStdString(missing)));
                  click(dialog, 1015);
                  test::saveScreenshot(dialog, "board-settings-ru");
                  click(dialog, 1);
              });
    EXPECT_EQ(comPort, 3);
    EXPECT_EQ(highSpeed, 0);
    EXPECT_EQ(store.portPath(3), missing);
}

TEST_F(DialogsTest, AdvancedDelaysStayEnglishAndRefuseADelayOutOfRange)
{
    setRussianUi(true);
    std::array<int, 4> delays{1, 2, 3, 4};
    QString refusal;
    whileOpen([&] { EXPECT_TRUE(gui::execAdvancedDelaysDialog(nullptr, delays)); },
              [&](QDialog& dialog) {
                  EXPECT_EQ(dialog.windowTitle(), "Advanced Board Settings");
                  EXPECT_TRUE(textOf(dialog, 1000).startsWith("WARNING: This window"));
                  EXPECT_EQ(textOf(dialog, 1013), "Page write delay");
                  EXPECT_EQ(textOf(dialog, 2), "Cancel");
                  EXPECT_EQ(control<QLineEdit>(dialog, 1004)->text(), "4");
                  test::saveScreenshot(dialog, "advanced-delays-ru");
                  auto* pageWrite = control<QLineEdit>(dialog, 1003);
                  pageWrite->setText("1001");
                  QTimer::singleShot(0, [&] {
                      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                          refusal = box->text();
                          box->accept();
                      }
                  });
                  click(dialog, 1);
                  EXPECT_TRUE(dialog.isVisible());
                  EXPECT_EQ(dialog.focusWidget(), pageWrite);
                  pageWrite->setText("1000");
                  control<QLineEdit>(dialog, 1001)->setText("0");
                  click(dialog, 1);
              });
    EXPECT_EQ(refusal, "Введите целое число от 0 до 1000.");
    EXPECT_EQ(delays, (std::array<int, 4>{0, 2, 1000, 4}));

    setRussianUi(false);
    whileOpen([&] { EXPECT_FALSE(gui::execAdvancedDelaysDialog(nullptr, delays)); },
              [](QDialog& dialog) {
                  test::saveScreenshot(dialog, "advanced-delays-en");
                  click(dialog, 2);
              });
}

TEST_F(DialogsTest, SelfProgramSettingsShowBothVersionsAndReturnThePace)
{
    bool normalSpeed = true;
    whileOpen([&] { EXPECT_TRUE(gui::execSelfProgramSettingsDialog(nullptr, "1.0b", "1.0c", normalSpeed)); },
              [](QDialog& dialog) {
                  EXPECT_EQ(dialog.windowTitle(), "Self-Program Settings");
                  EXPECT_EQ(textOf(dialog, 1155), "1.0b");
                  EXPECT_EQ(textOf(dialog, 1157), "1.0c");
                  EXPECT_TRUE(isChecked(dialog, 1158));
                  EXPECT_EQ(textOf(dialog, 1), "Update");
                  test::saveScreenshot(dialog, "self-program-en");
                  click(dialog, 1159);
                  click(dialog, 1);
              });
    EXPECT_FALSE(normalSpeed);

    setRussianUi(true);
    whileOpen([&] { EXPECT_TRUE(gui::execSelfProgramSettingsDialog(nullptr, "Not programmed", "1.0c", normalSpeed)); },
              [](QDialog& dialog) {
                  EXPECT_EQ(textOf(dialog, 1), "Обновить");
                  EXPECT_TRUE(isChecked(dialog, 1158));
                  test::saveScreenshot(dialog, "self-program-ru");
                  click(dialog, 1);
              });
    EXPECT_TRUE(normalSpeed);
}

TEST_F(DialogsTest, AboutBoxShowsThisBuildAndOpensItsLinks)
{
    test::ScriptedUi ui;
    whileOpen([&] { gui::execAboutBox(nullptr, ui); },
              [](QDialog& dialog) {
                  EXPECT_EQ(dialog.windowTitle(), "About");
                  EXPECT_EQ(textOf(dialog, 1107), "Version 11.56");
                  EXPECT_EQ(textOf(dialog, 1105), "For Linux");
                  EXPECT_EQ(textOf(dialog, 1109), "");
                  EXPECT_EQ(textOf(dialog, 1110), "");
                  test::saveScreenshot(dialog, "about-en");
                  QTest::mouseClick(control(dialog, 1077), Qt::LeftButton);
                  QTest::mouseClick(control(dialog, 1112), Qt::LeftButton);
                  click(dialog, 1);
              });
    EXPECT_EQ(ui.calls(), (std::vector<std::string>{"open-document: mailto:support@quorva.org",
                                                    "open-document: https://www.quorva.org"}));

    setRussianUi(true);
    ui.clearCalls();
    ui.openDocumentResult = false;
    const test::StandInProgram opener("xdg-open", "exit 4");
    whileOpen([&] { gui::execAboutBox(nullptr, ui); },
              [&](QDialog& dialog) {
                  EXPECT_EQ(dialog.windowTitle(), "О программе");
                  EXPECT_EQ(textOf(dialog, 1104), "Внутрисхемный программатор QUORVA");
                  EXPECT_EQ(textOf(dialog, 1107), "Версия 11.56");
                  EXPECT_EQ(textOf(dialog, 1109), "");
                  test::saveScreenshot(dialog, "about-ru");
                  QTest::mouseClick(control(dialog, 1077), Qt::LeftButton);
                  EXPECT_TRUE(QTest::qWaitFor([&] { return !ui.callsStartingWith("box: ").empty(); }, 5000));
                  click(dialog, 1);
              });
    EXPECT_EQ(ui.calls(), (std::vector<std::string>{
                              "open-document: mailto:support@quorva.org",
                              "box: warning | Программатор QUORVA | Не удаётся открыть ссылку:\n\nПрограмма, "
                              "открывающая такие ссылки, завершилась с ошибкой.",
                          }));
}

TEST_F(DialogsTest, ProductionRecordsShowTheNewestFilteredRowsAndExportThem)
{
    auto memory = std::make_unique<MemoryRecordStore>();
    int minute = 0;
    for (Outcome outcome : {Outcome::Ok, Outcome::Failed, Outcome::Ok}) {
        ChipRecord row;
        row.startedAt = "2026-12-09T10:0" + std::to_string(++minute) + ":00.000Z";
        row.station = "line-2";
        row.devicePath = "/dev/ttyUSB0";
        row.device = "ATmega328P";
        const Begun begun = memory->begin(row, SequenceTake{"board", 4711}).value();
        row.id = begun.id;
        row.outcome = outcome;
        if (outcome == Outcome::Failed) {
            row.failingStep = "flash verify";
            row.lastStatus = "Flash verify: ERROR at byte 2 (0x2)";
        }
        ASSERT_TRUE(memory->complete(row));
    }
    test::ScriptedUi ui;
    ProductionRecordsModel model(ui, std::make_shared<SharedRecordStore>(std::move(memory)));
    test::TempFolder folder;
    ui.chooseNext(folder.file("records.csv"));

    namespace ids = gui::production_records_id;
    const auto table = [](QDialog& dialog) { return dialog.findChild<QTableWidget*>(ids::Table); };
    whileOpen([&] { gui::execProductionRecordsDialog(nullptr, model); },
              [&](QDialog& dialog) {
                  EXPECT_EQ(table(dialog)->rowCount(), 3);
                  EXPECT_EQ(table(dialog)->item(0, 4)->text(), "4713") << "newest first";
                  test::saveScreenshot(dialog, "production-records-en");
                  dialog.findChild<QLineEdit*>(ids::Serial)->setText("47x");
                  dialog.findChild<QAbstractButton*>(ids::Show)->click();
                  EXPECT_EQ(table(dialog)->rowCount(), 3) << "a filter not understood keeps the rows";
                  dialog.findChild<QLineEdit*>(ids::Serial)->clear();
                  dialog.findChild<QAbstractButton*>(ids::FailedOnly)->click();
                  dialog.findChild<QAbstractButton*>(ids::Show)->click();
                  ASSERT_EQ(table(dialog)->rowCount(), 1);
                  EXPECT_EQ(table(dialog)->item(0, 6)->text(), "flash verify: Flash verify: ERROR at byte 2 (0x2)");
                  dialog.findChild<QAbstractButton*>(ids::ExportCsv)->click();
                  dialog.reject();
              });
    EXPECT_EQ(ui.callsStartingWith("box: warning").size(), 1u);
    const std::string csv = test::fileContents(folder.file("records.csv"));
    EXPECT_EQ(csv.rfind("id,startedAt,", 0), 0u) << csv;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 2) << "the header and the one row shown";

    setRussianUi(true);
    whileOpen([&] { gui::execProductionRecordsDialog(nullptr, model); },
              [](QDialog& dialog) {
                  EXPECT_EQ(dialog.windowTitle(), "Журнал производства");
                  test::saveScreenshot(dialog, "production-records-ru");
                  dialog.reject();
              });
}

} // namespace
} // namespace quorva

#include "window_fixture.h"

#include "base/messages.h"
#include "catalogue/device_lookup.h"
#include "gui/lock_fuse_dialog.h"
#include "gui/project_settings_dialog.h"
#include "screenshots.h"
#include "shell/window_ids.h"

#include "avr_chip.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

namespace quorva::test {
namespace {

using SettingsDialogsTest = WindowFixture;
namespace lf = gui::lock_fuse_id;
namespace ps = gui::project_settings_id;

template <typename T = QAbstractButton>
T& child(QWidget& dialog, int id)
{
    T* found = dialog.findChild<T*>(QString::number(id));
    EXPECT_NE(found, nullptr) << id;
    return *found;
}

// Runs f once the scripted action that opened it has returned, so that the
// boxes f causes reach the person.
void afterwards(QWidget& dialog, std::function<void()> f)
{
    QTimer::singleShot(0, &dialog, std::move(f));
}

// Every caption is as wide and as tall as its text needs.
void expectTextsFit(QWidget& dialog)
{
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
        EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
        EXPECT_GE(button->height(), button->sizeHint().height()) << button->text().toStdString();
    }
}

TEST_F(SettingsDialogsTest, LockFuseDialogOnTheChipInBothLanguages)
{
    startUp();
    for (const bool russian : {false, true}) {
        setRussianUi(russian);
        bool checked = false;
        person.next([&](QWidget& dialog) {
            EXPECT_EQ(dialog.windowTitle().toStdString(), messageText(1193));
            EXPECT_EQ(child(dialog, lf::Read).text(), russian ? "Прочитать" : "Read");
            EXPECT_EQ(child(dialog, lf::FirstLockMode + 2).text().toStdString(), messageText(1008));
            EXPECT_FALSE(child(dialog, lf::FirstLockMode + 3).isEnabled());
            EXPECT_TRUE(child(dialog, lf::FirstLockMode).isChecked());
            EXPECT_EQ(child(dialog, lf::FirstFuse + 13).text(), "SPIEN");
            EXPECT_TRUE(child(dialog, lf::FirstFuse + 13).isChecked()) << "read from the chip";
            EXPECT_EQ(child(dialog, lf::FirstFuse + 16).text().toStdString(), messageText(1014));
            EXPECT_FALSE(child(dialog, lf::FirstFuse + 16).isEnabled());
            EXPECT_FALSE(child(dialog, lf::CloseAndSave).isEnabled());
            EXPECT_TRUE(child(dialog, lf::ChipErase).isEnabled());
            EXPECT_EQ(child<QLabel>(dialog, 1138).text().toStdString(),
                      russian ? "Нажатая кнопка обозначает, что fuse бит запрограммирован (0)"
                              : "A button is pressed if the fuse bit is programmed");
            expectTextsFit(dialog);
            saveScreenshot(dialog, russian ? "lock-fuse-dialog-ru" : "lock-fuse-dialog-en");
            afterwards(dialog, [&] {
                child(dialog, lf::FirstFuse + 8).click(); // BOOTRST flips
                if (russian)                              // a locked chip keeps its fuses: lock only in the last round
                    child(dialog, lf::FirstLockMode + 1).click();
                child(dialog, lf::Program).click();
                EXPECT_TRUE(child(dialog, lf::Read).isEnabled());
                EXPECT_TRUE(dialog.isEnabled());
                child(dialog, lf::CloseWithoutSaving).click();
                checked = true;
            });
        });
        person.boxTexts.clear();
        window.command(cmd::LockFuseBits);
        idle();
        EXPECT_TRUE(checked);
        EXPECT_TRUE(person.boxTexts.contains(QString::fromUtf8(messageText(1109))));
        const auto& chip = dynamic_cast<sim::AvrChip&>(box.chip());
        EXPECT_EQ(chip.fuse(1) & 0x01, russian ? 1 : 0) << "BOOTRST";
        EXPECT_EQ(chip.lockByte() & 0x03, russian ? 0x02 : 0x03) << "LB1";
    }
}

TEST_F(SettingsDialogsTest, ProjectSettingsSnapsValidatesAndOpensLockFuseForAutoProgram)
{
    startUp();
    controller.project().resetStrobeLength = 400;
    bool done = false;
    bool lockFuseSeen = false;
    person.next([&](QWidget& dialog) {
        EXPECT_EQ(child<QComboBox>(dialog, ps::DeviceList).count(), 97);
        EXPECT_EQ(child<QComboBox>(dialog, ps::DeviceList).currentText(), "ATmega8/8A");
        EXPECT_EQ(child<QComboBox>(dialog, ps::SckList).count(), 8);
        auto& slider = child<QSlider>(dialog, ps::StrobeSlider);
        EXPECT_EQ(slider.value(), 5);
        EXPECT_EQ(child<QLabel>(dialog, ps::StrobeLabel).text(), "500 ms");
        slider.setValue(6);
        EXPECT_EQ(child<QLabel>(dialog, ps::StrobeLabel).text(), "1000 ms");
        EXPECT_EQ(child(dialog, 3002).text(), "Auto check signature\nbefore each operation");
        EXPECT_FALSE(child(dialog, ps::Configure).isEnabled());
        EXPECT_FALSE(child<QLineEdit>(dialog, ps::FlashPageField).isEnabled());
        expectTextsFit(dialog);
        saveScreenshot(dialog, "project-settings-dialog-en");
        afterwards(dialog, [&] {
            child(dialog, ps::FlashPageDelay).click();
            auto& page = child<QLineEdit>(dialog, ps::FlashPageField);
            EXPECT_TRUE(page.isEnabled());
            page.setText("2");
            child(dialog, ps::Ok).click();
            EXPECT_TRUE(dialog.isVisible()) << "a refused field keeps the dialog open";
            EXPECT_EQ(dialog.focusWidget(), &page);
            page.setText("10");
            person.next([&](QWidget& lockFuse) {
                lockFuseSeen = true;
                EXPECT_EQ(lockFuse.windowTitle().toStdString(), messageText(1194));
                EXPECT_FALSE(child(lockFuse, lf::ChipErase).isEnabled());
                // SPIEN forced programmed, and no other bit: nobody pressed one.
                for (int bit = 0; bit < 24; ++bit)
                    EXPECT_EQ(child(lockFuse, lf::FirstFuse + bit).isChecked(), bit == 13) << bit;
                // The rest of a double click on the box that opened the
                // dialog does not press the fuse bit under the pointer.
                QTest::mouseClick(&child(lockFuse, lf::FirstFuse + 5), Qt::LeftButton);
                EXPECT_FALSE(child(lockFuse, lf::FirstFuse + 5).isChecked()) << "SUT1";
                child(lockFuse, lf::FirstLockMode + 2).click();
                child(lockFuse, lf::CloseAndSave).click();
            });
            child(dialog, ps::AutoProgram).click(); // opens Lock/Fuse Bits
            EXPECT_TRUE(lockFuseSeen);
            lockFuseSeen = false;
            person.next([&](QWidget& lockFuse) {
                lockFuseSeen = true;
                for (int bit = 0; bit < 24; ++bit)
                    EXPECT_EQ(child(lockFuse, lf::FirstFuse + bit).isChecked(), bit == 13) << bit;
                child(lockFuse, lf::CloseAndSave).click();
            });
            child(dialog, ps::Configure).click();
            EXPECT_TRUE(lockFuseSeen);
            EXPECT_TRUE(child(dialog, ps::AutoProgram).isChecked());
            EXPECT_TRUE(child(dialog, ps::Configure).isEnabled());
            child(dialog, ps::Ok).click();
            done = true;
        });
    });
    window.command(cmd::ProjectSettings);
    idle();
    EXPECT_TRUE(done);
    EXPECT_TRUE(person.boxTexts.contains(QString::fromStdString(formatMessage(2171, 3, 50))));
    const Project& project = controller.project();
    EXPECT_EQ(project.resetStrobeLength, 1000);
    EXPECT_TRUE(project.delayPage);
    EXPECT_EQ(project.delayPageValue, 10);
    EXPECT_TRUE(project.programFuse);
    EXPECT_EQ(project.lockFuse.lockMode, 2);
    for (std::size_t bit = 0; bit < project.lockFuse.fuse.size(); ++bit)
        EXPECT_EQ(project.lockFuse.fuse[bit], bit == 13) << bit;
    EXPECT_TRUE(project.modified);
}

TEST_F(SettingsDialogsTest, ProjectSettingsInRussianFitsItsTexts)
{
    startUp();
    setRussianUi(true);
    person.next([](QWidget& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Настройки проекта");
        EXPECT_EQ(child(dialog, 3002).text(), "Проверять сигнатуру\nnеред каждой операцией");
        EXPECT_EQ(child(dialog, ps::Cancel).text(), "Отмена");
        EXPECT_EQ(child(dialog, ps::AutoProgram).text(), "Автопрограммировать");
        expectTextsFit(dialog);
        saveScreenshot(dialog, "project-settings-dialog-ru");
        afterwards(dialog, [&dialog] {
            child(dialog, ps::IncrementFlash).click();
            child<QLineEdit>(dialog, ps::FlashAddress).setText("ZZ");
            child(dialog, ps::Ok).click();
            EXPECT_TRUE(dialog.isVisible());
            child(dialog, ps::Cancel).click();
        });
    });
    window.command(cmd::ProjectSettings);
    idle();
    EXPECT_TRUE(person.boxTexts.contains(QString::fromStdString(formatMessage(2221, 0x7FFFFFFFu))));
    EXPECT_FALSE(controller.project().autoIncrementFlash);
    EXPECT_FALSE(controller.project().modified);
}

} // namespace
} // namespace quorva::test

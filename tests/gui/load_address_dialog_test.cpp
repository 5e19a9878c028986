#include "window_fixture.h"

#include "base/messages.h"
#include "gui/load_address_dialog.h"
#include "screenshots.h"
#include "shell/window_ids.h"

#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace quorva::test {
namespace {

using LoadAddressDialogTest = WindowFixture;

TEST_F(LoadAddressDialogTest, LoadAtMergesTheFileAtTheAddressTyped)
{
    startUp();
    const std::string first = writeHex("first.hex", 256);
    const std::string second = writeHex("second.hex", 32);
    dropFiles({QString::fromStdString(first)}, *window.flashFrame());
    QString proposal;
    bool hexadecimalFirst = false;
    person.next([&](QWidget& chooser) {
        static_cast<QFileDialog&>(chooser).selectFile(QString::fromStdString(second));
        static_cast<QDialog&>(chooser).accept();
    });
    QString converted;
    QWidget* addressDialog = nullptr;
    person.next([&](QWidget& dialog) {
        addressDialog = &dialog;
        auto* edit = dialog.findChild<QLineEdit*>();
        proposal = edit->text();
        hexadecimalFirst = dialog.findChild<QRadioButton*>("1130")->isChecked();
        dialog.findChild<QRadioButton*>("1129")->click();
        converted = edit->text();
        edit->clear();
        QTest::keyClicks(edit, "XYZ");
        QTimer::singleShot(0, dialog.findChild<QPushButton*>("1"), &QPushButton::click);
    });
    person.next([&](QWidget& box) {
        addressDialog->setProperty("answered", false); // the dialog comes back for another try
        pressBoxButton(box, QMessageBox::Ok);
    });
    QString refusedText;
    person.next([&](QWidget& dialog) {
        // The refused text stays on the field, selected for typing over.
        auto* edit = dialog.findChild<QLineEdit*>();
        refusedText = edit->selectedText();
        QTest::keyClicks(edit, "512"); // decimal: 0x200
        dialog.findChild<QPushButton*>("1")->click();
    });
    window.command(cmd::FlashLoadAt);
    idle();
    EXPECT_EQ(proposal, "0100");
    EXPECT_TRUE(hexadecimalFirst);
    EXPECT_EQ(converted, "256");
    EXPECT_EQ(refusedText, "XYZ");
    EXPECT_TRUE(person.boxTexts.contains("Enter a decimal address from 0 to 16777215."))
        << person.boxTexts.join("|").toStdString();
    EXPECT_EQ(controller.flash().length(), 0x220);
    EXPECT_EQ(controller.flash().data()[0x100], 0xFF); // the gap
    EXPECT_EQ(controller.flash().data()[0x201], 7);
}

TEST_F(LoadAddressDialogTest, TypedLettersShowInCapitalsInBothLanguages)
{
    for (bool russian : {false, true}) {
        setRussianUi(russian);
        int address = 0x2A;
        person.next([russian](QWidget& dialog) {
            auto* edit = dialog.findChild<QLineEdit*>();
            EXPECT_EQ(edit->text(), "002A");
            EXPECT_EQ(dialog.windowTitle(), russian ? "Загрузить по адресу" : "Load Address");
            edit->clear();
            QTest::keyClicks(edit, "0x1fab99"); // six characters at most
            EXPECT_EQ(edit->text(), "0X1FAB");
            saveScreenshot(dialog, russian ? "load-address-ru" : "load-address-en");
            QTest::keyClick(edit, Qt::Key_Return); // the OK button
            EXPECT_FALSE(dialog.isVisible());
        });
        ASSERT_TRUE(gui::execLoadAddressDialog(nullptr, ui, address));
        EXPECT_EQ(address, 0x1FAB);
    }
}

} // namespace
} // namespace quorva::test

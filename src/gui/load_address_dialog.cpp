#include "load_address_dialog.h"

#include "data/load_address.h"
#include "translate_widget.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quorva::gui {

namespace {
constexpr int kLoadAddressDialog = 149;
}

bool execLoadAddressDialog(QWidget* parent, Ui& ui, int& address)
{
    LoadAddressModel model(address);
    QDialog dialog(parent);
    dialog.setObjectName(QString::number(kLoadAddressDialog));
    dialog.setWindowTitle(QStringLiteral("Load Address"));
    auto* label = new QLabel(QStringLiteral("Address:"), &dialog);
    label->setObjectName(QStringLiteral("1131"));
    auto* edit = new QLineEdit(QString::fromStdString(model.text), &dialog);
    edit->setObjectName(QStringLiteral("1128"));
    edit->setMaxLength(model.textMaxLength());
    // Letters show in capitals as they are typed.
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
        const int at = edit->cursorPosition();
        edit->setText(text.toUpper());
        edit->setCursorPosition(at);
    });
    auto* decimal = new QRadioButton(QStringLiteral("Decimal"), &dialog);
    decimal->setObjectName(QStringLiteral("1129"));
    auto* hexadecimal = new QRadioButton(QStringLiteral("Hexadecimal"), &dialog);
    hexadecimal->setObjectName(QStringLiteral("1130"));
    hexadecimal->setChecked(model.hexadecimal());
    QObject::connect(hexadecimal, &QRadioButton::toggled, edit, [&model, edit](bool on) {
        model.text = edit->text().toStdString();
        model.setHexadecimal(on);
        edit->setMaxLength(model.textMaxLength());
        edit->setText(QString::fromStdString(model.text));
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        model.text = edit->text().toStdString();
        if (const std::optional<int> chosen = model.accept(ui)) {
            address = *chosen;
            dialog.accept();
            return;
        }
        edit->selectAll();
        edit->setFocus();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    auto* layout = new QVBoxLayout(&dialog);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(edit, 1);
    layout->addLayout(row);
    layout->addWidget(decimal);
    layout->addWidget(hexadecimal);
    layout->addWidget(buttons);
    translateWidget(dialog, kLoadAddressDialog);
    edit->selectAll();
    edit->setFocus();
    return dialog.exec() == QDialog::Accepted;
}

} // namespace quorva::gui

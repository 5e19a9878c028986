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

bool execLoadAddressDialog(QWidget* parent, int& address)
{
    QDialog dialog(parent);
    dialog.setObjectName(QString::number(kLoadAddressDialog));
    dialog.setWindowTitle(QStringLiteral("Load Address"));
    auto* label = new QLabel(QStringLiteral("Address:"), &dialog);
    label->setObjectName(QStringLiteral("1131"));
    auto* edit = new QLineEdit(QString::fromStdString(proposedAddressText(address)), &dialog);
    edit->setObjectName(QStringLiteral("1128"));
    edit->setMaxLength(kAddressTextMaxLength);
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
    hexadecimal->setChecked(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
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

    if (dialog.exec() != QDialog::Accepted)
        return false;
    address = parseAddressText(edit->text().toStdString(), hexadecimal->isChecked());
    return true;
}

} // namespace quorva::gui

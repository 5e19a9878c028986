#include "dialog_parts.h"

#include "base/messages.h"
#include "dialog_ids.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace quorva::gui {
namespace {

constexpr int kOkText = 2022;
constexpr int kCancelText = 2021;

} // namespace

QString uiText(int messageId)
{
    return QString::fromUtf8(messageText(messageId));
}

QString uiText(int messageId, bool russian)
{
    return QString::fromUtf8(messageText(messageId, russian));
}

QDialogButtonBox* dialogButtons(QDialog& dialog, bool russian, bool okOnly)
{
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* ok = buttons->addButton(uiText(kOkText, russian), QDialogButtonBox::AcceptRole);
    withId(ok, kOkButton)->setDefault(true);
    if (!okOnly)
        withId(buttons->addButton(uiText(kCancelText, russian), QDialogButtonBox::RejectRole), kCancelButton);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

} // namespace quorva::gui

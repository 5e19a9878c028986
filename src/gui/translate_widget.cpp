#include "translate_widget.h"

#include "base/messages.h"
#include "base/text_tables.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QWidget>

namespace quorva::gui {

bool setControlText(QWidget& window, int id, const QString& text)
{
    QWidget* control = window.findChild<QWidget*>(QString::number(id));
    if (control == nullptr)
        return false;
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(text);
    else
        return false;
    return true;
}

void translateWidget(QWidget& window, int dialogId)
{
    const std::optional<DialogTexts> texts = dialogTexts(dialogId, russianUi());
    if (!texts)
        return;
    window.setWindowTitle(QString::fromStdString(texts->caption));
    for (const auto& [id, text] : texts->controls)
        setControlText(window, id, QString::fromStdString(text));
}

} // namespace quorva::gui

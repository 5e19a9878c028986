#include "base/messages.h"
#include "dialog_ids.h"
#include "dialog_parts.h"
#include "gui_dialogs.h"
#include "translate_widget.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quorva::gui {

bool execLanguageDialog(QWidget* parent, bool& russian)
{
    using namespace language;
    QDialog dialog(parent);
    auto* layout = new QVBoxLayout(&dialog);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* group = withId(new QGroupBox(&dialog), kGroup);
    auto* groupLayout = new QVBoxLayout(group);
    auto* english = withId(new QRadioButton(group), kEnglish);
    auto* russianButton = withId(new QRadioButton(group), kRussian);
    groupLayout->addWidget(english);
    groupLayout->addWidget(russianButton);
    layout->addWidget(group);
    layout->addWidget(dialogButtons(dialog, russianUi()));

    translateWidget(dialog, kDialog);
    (russian ? russianButton : english)->setChecked(true);

    if (dialog.exec() != QDialog::Accepted)
        return false;
    russian = russianButton->isChecked();
    return true;
}

} // namespace quorva::gui

#include "base/messages.h"
#include "dialog_ids.h"
#include "dialog_parts.h"
#include "gui_dialogs.h"
#include "translate_widget.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quorva::gui {

bool execSelfProgramSettingsDialog(QWidget* parent, const std::string& currentVersion, const std::string& newVersion,
                                   bool& normalSpeed)
{
    using namespace selfprogram;
    QDialog dialog(parent);
    auto* layout = new QVBoxLayout(&dialog);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* group = withId(new QGroupBox(&dialog), kGroup);
    auto* grid = new QGridLayout(group);
    grid->addWidget(withId(new QLabel(group), kCurrentLabel), 0, 0);
    auto* current = withId(new QLabel(group), kCurrentVersion);
    grid->addWidget(current, 0, 1);
    grid->addWidget(withId(new QLabel(group), kNewLabel), 1, 0);
    auto* next = withId(new QLabel(group), kNewVersion);
    grid->addWidget(next, 1, 1);
    auto* normal = withId(new QRadioButton(group), kNormalSpeed);
    auto* reduced = withId(new QRadioButton(group), kReducedSpeed);
    grid->addWidget(normal, 2, 0, 1, 2);
    grid->addWidget(reduced, 3, 0, 1, 2);
    grid->setColumnMinimumWidth(1, 80);
    layout->addWidget(group);
    layout->addWidget(dialogButtons(dialog, russianUi()));

    translateWidget(dialog, kDialog);
    // The table leaves "-" in the version fields; the versions replace it.
    current->setText(QString::fromStdString(currentVersion));
    next->setText(QString::fromStdString(newVersion));
    normal->setChecked(true);

    if (dialog.exec() != QDialog::Accepted)
        return false;
    normalSpeed = normal->isChecked();
    return true;
}

} // namespace quorva::gui

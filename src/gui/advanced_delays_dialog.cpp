#include "base/messages.h"
#include "dialog_ids.h"
#include "dialog_parts.h"
#include "gui_dialogs.h"
#include "shell/board_settings_model.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

namespace quorva::gui {
namespace {

constexpr int kWarningText = 2142;
constexpr int kFirstDelayName = 2143; // pre-read, page read, page write, post-send
constexpr int kUnitText = 2147;
constexpr int kBoxCaption = 1025;
constexpr int kCaptionText = 2149;
constexpr int kWarningWidth = 320;

// Keeps the dialog open on the first box that holds no delay of 0..1000 ms.
class DelaysDialog : public QDialog {
public:
    DelaysDialog(QWidget* parent, std::array<int, 4>& delays) : QDialog(parent), delays_(delays) {}

    std::array<QLineEdit*, 4> edits{};

    void accept() override
    {
        std::array<int, 4> values{};
        for (std::size_t i = 0; i < edits.size(); ++i) {
            const std::optional<int> value = parseAdvancedDelay(edits[i]->text().toStdString());
            if (!value) {
                QMessageBox::warning(this, uiText(kBoxCaption), QString::fromStdString(advancedDelayRangeText()));
                edits[i]->setFocus();
                edits[i]->selectAll();
                return;
            }
            values[i] = *value;
        }
        delays_ = values;
        QDialog::accept();
    }

private:
    std::array<int, 4>& delays_;
};

} // namespace

bool execAdvancedDelaysDialog(QWidget* parent, std::array<int, 4>& delays)
{
    using namespace delays;
    // The dialog has no text table: English in both languages.
    constexpr bool kEnglish = false;
    DelaysDialog dialog(parent, delays);
    dialog.setWindowTitle(uiText(kCaptionText, kEnglish));
    auto* layout = new QVBoxLayout(&dialog);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* warning = withId(new QLabel(uiText(kWarningText, kEnglish), &dialog), kWarning);
    warning->setWordWrap(true);
    warning->setFixedWidth(kWarningWidth);
    layout->addWidget(warning);
    auto* grid = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        auto* edit =
            withId(new QLineEdit(QString::number(delays[static_cast<std::size_t>(i)]), &dialog), kFirstEdit + i);
        edit->setMaxLength(10);
        auto* label = withId(new QLabel(uiText(kFirstDelayName + i, kEnglish), &dialog), kFirstLabel + i);
        label->setBuddy(edit);
        grid->addWidget(label, i, 0);
        grid->addWidget(edit, i, 1);
        grid->addWidget(withId(new QLabel(uiText(kUnitText, kEnglish), &dialog), kFirstUnit + i), i, 2);
        dialog.edits[static_cast<std::size_t>(i)] = edit;
    }
    layout->addLayout(grid);
    layout->addWidget(dialogButtons(dialog, kEnglish));
    return dialog.exec() == QDialog::Accepted;
}

} // namespace quorva::gui

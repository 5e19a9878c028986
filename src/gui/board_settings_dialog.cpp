#include "base/messages.h"
#include "dialog_ids.h"
#include "dialog_parts.h"
#include "gui_dialogs.h"
#include "gui_thread.h"
#include "shell/board_settings_model.h"
#include "shell/settings_store.h"
#include "translate_widget.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <climits>

namespace quorva::gui {
namespace {

constexpr int kComText = 2138;
constexpr int kBaudText = 2139;    // "%d baud", alike in both languages
constexpr int kUsbBaudText = 2241; // "%d baud (USB, KX3)"
constexpr int kDeviceLabelText = 2140;
constexpr int kSearchText = 2152;      // "Search for the box"
constexpr int kSearchFoundText = 2153; // "The box answers on COM%d."
constexpr int kSearchNoneText = 2154;
constexpr std::array<int, BoardSettingsModel::kBaudButtons> kBaudRates{19200, 115200, 921600};
constexpr int kPortColumns = 4;
constexpr int kChooserCharacters = 36;
constexpr int kNoteLines = 3; // room for a long device path and its note

// The widgets OK reads, with the model they came from.
struct BoardWidgets {
    std::array<QRadioButton*, BoardSettingsModel::kPortButtons> ports{};
    QLineEdit* comEdit = nullptr;
    std::array<QRadioButton*, BoardSettingsModel::kBaudButtons> bauds{};
    QLabel* deviceLabel = nullptr;
    QComboBox* chooser = nullptr;
    QLabel* note = nullptr;

    BoardSettingsModel::Input input() const
    {
        BoardSettingsModel::Input in;
        for (std::size_t i = 0; i < ports.size(); ++i)
            in.portChecked[i] = ports[i]->isChecked();
        in.comEditText = comEdit->text().toStdString();
        for (std::size_t i = 0; i < bauds.size(); ++i)
            in.baudChecked[i] = bauds[i]->isChecked();
        in.devicePath = chooser->currentText().toStdString();
        return in;
    }
};

QGroupBox* portGroup(QDialog& dialog, BoardWidgets& widgets)
{
    using namespace board;
    auto* group = withId(new QGroupBox(&dialog), kPortGroup);
    auto* layout = new QVBoxLayout(group);
    auto* grid = new QGridLayout;
    auto* buttons = new QButtonGroup(group);
    const QString com = uiText(kComText);
    for (int i = 0; i < BoardSettingsModel::kPortButtons; ++i) {
        const bool custom = i + 1 == BoardSettingsModel::kCustomPortButton;
        auto* button =
            withId(new QRadioButton(custom ? com : com + QString::number(i + 1), group), kFirstPortButton + i);
        buttons->addButton(button);
        widgets.ports[static_cast<std::size_t>(i)] = button;
        if (!custom)
            grid->addWidget(button, i / kPortColumns, i % kPortColumns);
    }
    layout->addLayout(grid);

    auto* customRow = new QHBoxLayout;
    customRow->addWidget(widgets.ports.back());
    widgets.comEdit = withId(new QLineEdit(group), kComEdit);
    widgets.comEdit->setValidator(new QIntValidator(INT_MIN, INT_MAX, widgets.comEdit));
    widgets.comEdit->setMaximumWidth(widgets.comEdit->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
    customRow->addWidget(widgets.comEdit);
    customRow->addStretch();
    layout->addLayout(customRow);

    widgets.deviceLabel = withId(new QLabel(group), kDeviceLabel);
    layout->addWidget(widgets.deviceLabel);
    widgets.chooser = withId(new QComboBox(group), kDeviceChooser);
    widgets.chooser->setEditable(true);
    widgets.chooser->setInsertPolicy(QComboBox::NoInsert);
    widgets.chooser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    widgets.chooser->setMinimumContentsLength(kChooserCharacters);
    widgets.deviceLabel->setBuddy(widgets.chooser);
    layout->addWidget(widgets.chooser);
    widgets.note = withId(new QLabel(group), kDeviceNote);
    widgets.note->setWordWrap(true);
    // The note's lines are always kept free, so that the buttons below do
    // not move away from the pointer when it appears.
    widgets.note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    widgets.note->setMinimumHeight(kNoteLines * widgets.note->fontMetrics().lineSpacing());
    layout->addWidget(widgets.note);
    return group;
}

QGroupBox* baudGroup(QDialog& dialog, BoardWidgets& widgets)
{
    using namespace board;
    auto* group = withId(new QGroupBox(&dialog), kBaudGroup);
    auto* grid = new QGridLayout(group);
    // An explicit group keeps the hidden 921600 button in the exclusive set.
    auto* buttons = new QButtonGroup(group);
    constexpr std::array<int, BoardSettingsModel::kBaudButtons> kSpeedLabels{kLowSpeedLabel, kStandardSpeedLabel,
                                                                             kUsbSpeedLabel};
    for (int code = 0; code < BoardSettingsModel::kBaudButtons; ++code) {
        const auto index = static_cast<std::size_t>(code);
        const int caption = code == kUsbSpeed ? kUsbBaudText : kBaudText;
        auto* button =
            withId(new QRadioButton(formatMessage(caption, kBaudRates[index]).c_str(), group), kFirstBaudButton + code);
        buttons->addButton(button);
        widgets.bauds[index] = button;
        auto* label = withId(new QLabel(group), kSpeedLabels[index]);
        grid->addWidget(button, code, 0);
        grid->addWidget(label, code, 1);
        // 921600 baud is kept for boxes set up for it but cannot be chosen.
        if (code == kUsbSpeed) {
            button->hide();
            label->hide();
        }
    }
    return group;
}

} // namespace

bool execBoardSettingsDialog(QWidget* parent, SettingsStore& store, int& comPort, int& highSpeed,
                             const std::function<int()>& search)
{
    const BoardSettingsModel model(store, comPort, highSpeed);
    QDialog dialog(parent);
    BoardWidgets widgets;
    auto* layout = new QVBoxLayout(&dialog);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(portGroup(dialog, widgets));
    layout->addWidget(baudGroup(dialog, widgets));
    auto* searchButton = withId(new QPushButton(uiText(kSearchText), &dialog), board::kSearchButton);
    searchButton->setVisible(static_cast<bool>(search));
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchButton);
    searchRow->addStretch();
    layout->addLayout(searchRow);
    layout->addWidget(dialogButtons(dialog, russianUi()));

    translateWidget(dialog, board::kDialog);
    widgets.comEdit->setText(QString::fromStdString(model.comEditText()));
    widgets.ports[static_cast<std::size_t>(model.checkedPortButton() - 1)]->setChecked(true);
    if (const std::optional<int> baud = model.checkedBaudButton())
        widgets.bauds[static_cast<std::size_t>(*baud)]->setChecked(true);
    for (const BoardSettingsModel::DeviceChoice& choice : model.deviceChoices())
        widgets.chooser->addItem(QString::fromStdString(choice.label), QString::fromStdString(choice.path));
    // The list may be wider than the box: by-id names are long.
    if (widgets.chooser->count() > 0)
        widgets.chooser->view()->setMinimumWidth(widgets.chooser->view()->sizeHintForColumn(0));

    auto showDevice = [&] {
        const int number = model.comNumber(widgets.input());
        widgets.deviceLabel->setText(QString::fromStdString(formatMessage(kDeviceLabelText, number)));
        widgets.chooser->setEditText(QString::fromStdString(model.devicePathOf(number)));
    };
    auto showNote = [&](const QString& path) {
        const std::string note = BoardSettingsModel::pathNote(path.toStdString());
        widgets.note->setText(QString::fromStdString(note));
    };
    for (QRadioButton* button : widgets.ports)
        QObject::connect(button, &QRadioButton::toggled, &dialog, [&](bool on) {
            if (on)
                showDevice();
        });
    QObject::connect(widgets.comEdit, &QLineEdit::textEdited, &dialog, [&] {
        if (widgets.ports.back()->isChecked())
            showDevice();
    });
    // A listed by-id name shows its target; the path alone goes in the box.
    QObject::connect(widgets.chooser, &QComboBox::activated, &dialog,
                     [&](int index) { widgets.chooser->setEditText(widgets.chooser->itemData(index).toString()); });
    QObject::connect(widgets.chooser, &QComboBox::editTextChanged, &dialog, showNote);
    showDevice();
    showNote(widgets.chooser->currentText());
    // The search pings the box on the serial ports: off the GUI thread, with
    // the dialog closed to input meanwhile.
    QObject::connect(searchButton, &QPushButton::clicked, &dialog, [&] {
        dialog.setEnabled(false);
        int found = 0;
        runAwayFromGuiThread([&] { found = search(); });
        dialog.setEnabled(true);
        if (found >= 1 && found < BoardSettingsModel::kCustomPortButton) {
            widgets.ports[static_cast<std::size_t>(found - 1)]->setChecked(true);
        } else if (found >= BoardSettingsModel::kCustomPortButton) {
            widgets.comEdit->setText(QString::number(found));
            widgets.ports.back()->setChecked(true);
        }
        widgets.note->setText(QString::fromStdString(found > 0 ? formatMessage(kSearchFoundText, found)
                                                               : std::string(messageText(kSearchNoneText))));
    });

    if (dialog.exec() != QDialog::Accepted)
        return false;
    model.accept(widgets.input(), comPort, highSpeed);
    return true;
}

} // namespace quorva::gui

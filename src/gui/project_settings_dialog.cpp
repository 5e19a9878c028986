#include "project_settings_dialog.h"

#include "lock_fuse_dialog.h"
#include "translate_widget.h"

#include "base/messages.h"
#include "catalogue/device_info.h"
#include "shell/project_settings_model.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <vector>

namespace quorva::gui {

namespace {

namespace ids = project_settings_id;

QString id(int controlId)
{
    return QString::number(controlId);
}

QString qt(const std::string& text)
{
    return QString::fromStdString(text);
}

QGroupBox* group(int controlId, const char* title, QWidget* parent)
{
    auto* box = new QGroupBox(QString::fromLatin1(title), parent);
    box->setObjectName(id(controlId));
    return box;
}

// A check box bound to one flag of the controls.
struct BoundBox {
    QCheckBox* box;
    bool ProjectSettingsControls::*flag;
};

// A text field bound to one text of the controls.
struct BoundField {
    QLineEdit* field;
    std::string ProjectSettingsControls::*text;
    bool ProjectSettingsEnabled::*enabled;
    SettingsField which;
};

class ProjectSettingsDialog final : public QDialog {
public:
    ProjectSettingsDialog(QWidget* parent, Ui& ui, Project& project, LockFuseChip* chip)
        : QDialog(parent), model_(ui, project, [this, &ui, chip](LockFuseState& setting, int device) {
              return execLockFuseDialog(this, ui, setting, device, false, chip);
          })
    {
        setObjectName(id(ids::Dialog));
        build();
        translateWidget(*this, ids::Dialog);
        fill(model_.controls);
    }

    int chosenDevice() const { return chosenDevice_; }

private:
    void build();
    QCheckBox* check(int controlId, const char* text, bool ProjectSettingsControls::*flag, QWidget* parent);
    QLineEdit* field(int controlId, std::string ProjectSettingsControls::*text, bool ProjectSettingsEnabled::*enabled,
                     SettingsField which, QWidget* parent);
    void fill(const ProjectSettingsControls& controls);
    void applyEnabling();
    void collect();
    void ok();

    ProjectSettingsModel model_;
    std::vector<BoundBox> boxes_;
    std::vector<BoundField> fields_;
    QComboBox* devices_ = nullptr;
    QComboBox* sck_ = nullptr;
    QSlider* strobe_ = nullptr;
    QLabel* strobeLabel_ = nullptr;
    QCheckBox* autoProgram_ = nullptr;
    QPushButton* configure_ = nullptr;
    int chosenDevice_ = 0;
};

QCheckBox* ProjectSettingsDialog::check(int controlId, const char* text, bool ProjectSettingsControls::*flag,
                                        QWidget* parent)
{
    auto* box = new QCheckBox(QString::fromUtf8(text), parent);
    box->setObjectName(id(controlId));
    boxes_.push_back({box, flag});
    connect(box, &QCheckBox::clicked, this, [this, flag](bool on) {
        model_.controls.*flag = on;
        applyEnabling();
    });
    return box;
}

QLineEdit* ProjectSettingsDialog::field(int controlId, std::string ProjectSettingsControls::*text,
                                        bool ProjectSettingsEnabled::*enabled, SettingsField which, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(id(controlId));
    fields_.push_back({edit, text, enabled, which});
    return edit;
}

void ProjectSettingsDialog::build()
{
    using C = ProjectSettingsControls;
    using E = ProjectSettingsEnabled;
    constexpr int kDeviceLabel = 1126;
    constexpr int kFirstUnnamed = 1300; // labels nothing translates
    constexpr int kSequenceLabel = 2361;
    constexpr int kSequenceTip = 2362;

    QGroupBox* programming = group(1116, "Programming Settings", this);
    auto* programmingLayout = new QGridLayout(programming);
    auto* deviceLabel = new QLabel(QStringLiteral("Device:"), programming);
    deviceLabel->setObjectName(id(kDeviceLabel));
    devices_ = new QComboBox(programming);
    devices_->setObjectName(id(ids::DeviceList));
    for (const DeviceInfo& device : deviceTable)
        devices_->addItem(QString::fromLatin1(device.name));
    devices_->setMaxVisibleItems(20);
    connect(devices_, &QComboBox::activated, this, [this](int row) {
        model_.controls.device = row;
        applyEnabling();
    });
    programmingLayout->addWidget(deviceLabel, 0, 0);
    programmingLayout->addWidget(devices_, 0, 1);
    programmingLayout->addWidget(check(3001, "Enable data polling", &C::polling, programming), 1, 0, 1, 2);
    programmingLayout->addWidget(check(3002, "Auto check signature\nbefore each operation", &C::checkSign, programming),
                                 2, 0, 1, 2);
    programmingLayout->addWidget(check(3003, "Disable Synchronization", &C::noSynchronization, programming), 3, 0, 1,
                                 2);

    QGroupBox* sckBox = group(1117, "SCK Settings", this);
    auto* sckLayout = new QVBoxLayout(sckBox);
    sck_ = new QComboBox(sckBox);
    sck_->setObjectName(id(ids::SckList));
    for (const char* name : sckPeriodNames())
        sck_->addItem(QString::fromLatin1(name));
    connect(sck_, &QComboBox::activated, this, [this](int row) { model_.controls.sckPeriod = row; });
    sckLayout->addWidget(sck_);

    QGroupBox* strobeBox = group(1118, "Reset strobe length", this);
    auto* strobeLayout = new QHBoxLayout(strobeBox);
    strobe_ = new QSlider(Qt::Horizontal, strobeBox);
    strobe_->setObjectName(id(ids::StrobeSlider));
    strobe_->setRange(0, kStrobePositions - 1);
    strobe_->setSingleStep(1);
    strobe_->setPageStep(3);
    strobe_->setTickPosition(QSlider::TicksBelow);
    strobeLabel_ = new QLabel(strobeBox);
    strobeLabel_->setObjectName(id(ids::StrobeLabel));
    strobeLabel_->setMinimumWidth(strobeLabel_->fontMetrics().horizontalAdvance(QStringLiteral("0000 ms")));
    connect(strobe_, &QSlider::valueChanged, this, [this](int position) {
        model_.controls.strobePosition = position;
        strobeLabel_->setText(qt(strobeLabel(position)));
    });
    strobeLayout->addWidget(strobe_, 1);
    strobeLayout->addWidget(strobeLabel_);

    auto* left = new QVBoxLayout;
    left->addWidget(programming);
    left->addWidget(sckBox);
    left->addWidget(strobeBox);
    left->addStretch();

    QGroupBox* autoBox = group(1119, "Autoprogram Settings", this);
    auto* autoLayout = new QGridLayout(autoBox);
    QGroupBox* general = group(1120, "General", autoBox);
    auto* generalLayout = new QVBoxLayout(general);
    generalLayout->addWidget(check(1063, "Erase Chip", &C::autoErase, general));
    generalLayout->addWidget(check(1069, "Blank Check", &C::autoEmptyCheck, general));
    generalLayout->addStretch();
    QGroupBox* flash = group(1121, "Flash", autoBox);
    auto* flashLayout = new QVBoxLayout(flash);
    flashLayout->addWidget(check(1060, "Reload", &C::flashReload, flash));
    flashLayout->addWidget(check(1061, "Program", &C::flashProgram, flash));
    flashLayout->addWidget(check(1062, "Verify", &C::flashVerify, flash));
    QGroupBox* eeprom = group(1122, "Eeprom", autoBox);
    auto* eepromLayout = new QVBoxLayout(eeprom);
    eepromLayout->addWidget(check(1064, "Reload", &C::eepromReload, eeprom));
    eepromLayout->addWidget(check(1065, "Program", &C::eepromProgram, eeprom));
    eepromLayout->addWidget(check(1066, "Verify", &C::eepromVerify, eeprom));

    QGroupBox* lockFuse = group(1123, "Lock and Fuse Bits", autoBox);
    auto* lockFuseLayout = new QVBoxLayout(lockFuse);
    autoProgram_ = new QCheckBox(QStringLiteral("Autoprogram"), lockFuse);
    autoProgram_->setObjectName(id(ids::AutoProgram));
    connect(autoProgram_, &QCheckBox::clicked, this, [this](bool on) {
        model_.setAutoProgram(on);
        autoProgram_->setChecked(model_.controls.programFuse);
        applyEnabling();
    });
    configure_ = new QPushButton(QStringLiteral("Configure..."), lockFuse);
    configure_->setObjectName(id(ids::Configure));
    configure_->setAutoDefault(false);
    connect(configure_, &QPushButton::clicked, this, [this] { model_.configure(); });
    lockFuseLayout->addWidget(autoProgram_);
    lockFuseLayout->addWidget(configure_);
    lockFuseLayout->addWidget(check(1151, "Fuses first operation", &C::programFuseBeforeAll, lockFuse));

    QGroupBox* increment = group(1124, "Autoincrement", autoBox);
    auto* incrementLayout = new QGridLayout(increment);
    incrementLayout->addWidget(check(ids::IncrementFlash, "Flash (HEX)", &C::incrementFlash, increment), 0, 0);
    incrementLayout->addWidget(
        field(ids::FlashAddress, &C::flashAddress, &E::flashAddress, SettingsField::FlashAddress, increment), 0, 1);
    incrementLayout->addWidget(check(ids::IncrementEeprom, "Eeprom (HEX)", &C::incrementEeprom, increment), 1, 0);
    incrementLayout->addWidget(
        field(ids::EepromAddress, &C::eepromAddress, &E::eepromAddress, SettingsField::EepromAddress, increment), 1, 1);
    auto* sequenceLabel = new QLabel(qt(messageText(kSequenceLabel)), increment);
    sequenceLabel->setObjectName(id(ids::SerialSequenceLabel));
    QLineEdit* sequence =
        field(ids::SerialSequence, &C::serialSequence, &E::serialSequence, SettingsField::SerialSequence, increment);
    sequence->setToolTip(qt(messageText(kSequenceTip)));
    sequenceLabel->setBuddy(sequence);
    incrementLayout->addWidget(sequenceLabel, 2, 0);
    incrementLayout->addWidget(sequence, 2, 1);

    // Room for all eight hexadecimal digits, and no more.
    for (int address : {ids::FlashAddress, ids::EepromAddress}) {
        auto* edit = increment->findChild<QLineEdit*>(id(address));
        edit->setMaxLength(kAddressTextLength);
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("FFFFFFFF")) + 12);
    }

    autoLayout->addWidget(general, 0, 0);
    autoLayout->addWidget(flash, 0, 1);
    autoLayout->addWidget(eeprom, 0, 2);
    autoLayout->addWidget(lockFuse, 1, 0, 1, 2);
    autoLayout->addWidget(increment, 1, 2);

    QGroupBox* delays = group(1125, "Delays overriring", this);
    auto* delaysLayout = new QGridLayout(delays);
    struct DelayRow {
        int box;
        const char* caption;
        bool C::*flag;
        int field;
        std::string C::*text;
        bool E::*enabled;
        SettingsField which;
    };
    // clang-format off
    const DelayRow rows[] = {
        {ids::FlashByteDelay,  "Flash BYTE",  &C::flashByteDelay,  ids::FlashByteField,  &C::flashByteText,  &E::flashByte,  SettingsField::FlashByte},
        {ids::FlashPageDelay,  "Flash PAGE",  &C::flashPageDelay,  ids::FlashPageField,  &C::flashPageText,  &E::flashPage,  SettingsField::FlashPage},
        {ids::EepromByteDelay, "Eeprom BYTE", &C::eepromByteDelay, ids::EepromByteField, &C::eepromByteText, &E::eepromByte, SettingsField::EepromByte},
        {ids::EepromPageDelay, "Eeprom PAGE", &C::eepromPageDelay, ids::EepromPageField, &C::eepromPageText, &E::eepromPage, SettingsField::EepromPage},
    };
    // clang-format on
    int row = 0;
    for (const DelayRow& delay : rows) {
        const int column = (row % 2) * 3;
        const int line = row / 2;
        delaysLayout->addWidget(check(delay.box, delay.caption, delay.flag, delays), line, column);
        delaysLayout->addWidget(field(delay.field, delay.text, delay.enabled, delay.which, delays), line, column + 1);
        auto* ms = new QLabel(QStringLiteral("ms"), delays);
        ms->setObjectName(id(kFirstUnnamed + row));
        delaysLayout->addWidget(ms, line, column + 2);
        ++row;
    }

    auto* okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(id(ids::Ok));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, [this] { ok(); });
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(id(ids::Cancel));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancel);

    auto* right = new QVBoxLayout;
    right->addWidget(autoBox);
    right->addWidget(delays);
    right->addStretch();
    right->addLayout(buttons);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right, 1);
}

void ProjectSettingsDialog::fill(const ProjectSettingsControls& controls)
{
    for (const BoundBox& bound : boxes_)
        bound.box->setChecked(controls.*bound.flag);
    for (const BoundField& bound : fields_)
        bound.field->setText(qt(controls.*bound.text));
    autoProgram_->setChecked(controls.programFuse);
    devices_->setCurrentIndex(controls.device);
    sck_->setCurrentIndex(controls.sckPeriod);
    strobe_->setValue(controls.strobePosition);
    strobeLabel_->setText(qt(strobeLabel(controls.strobePosition)));
    applyEnabling();
}

void ProjectSettingsDialog::applyEnabling()
{
    const ProjectSettingsEnabled enabled = model_.enabled();
    configure_->setEnabled(enabled.configure);
    for (const BoundField& bound : fields_)
        bound.field->setEnabled(enabled.*bound.enabled);
}

void ProjectSettingsDialog::collect()
{
    for (const BoundField& bound : fields_)
        model_.controls.*bound.text = bound.field->text().toStdString();
}

void ProjectSettingsDialog::ok()
{
    collect();
    const SettingsField refused = model_.accept(chosenDevice_);
    for (const BoundField& bound : fields_) {
        if (bound.which == refused) {
            bound.field->setFocus();
            bound.field->selectAll();
            return;
        }
    }
    accept();
}

} // namespace

bool execProjectSettingsDialog(QWidget* parent, Ui& ui, Project& project, int& deviceIndex, LockFuseChip* chip)
{
    ProjectSettingsDialog dialog(parent, ui, project, chip);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    deviceIndex = dialog.chosenDevice();
    return true;
}

} // namespace quorva::gui

#include "lock_fuse_dialog.h"

#include "gui_thread.h"
#include "translate_widget.h"

#include "shell/lock_fuse_dialog_model.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace quorva::gui {

namespace {

constexpr int kLockGroup = 1114;
constexpr int kFuseGroup = 1115;
constexpr int kBootLockGroup = 1134;
constexpr int kPressedLabel = 1138;
constexpr int kFusesPerColumn = 8;

QString id(int controlId)
{
    return QString::number(controlId);
}

std::size_t at(int i)
{
    return static_cast<std::size_t>(i);
}

template <typename W>
W* named(int controlId, QWidget* parent, const QString& text = {})
{
    auto* widget = new W(text, parent);
    widget->setObjectName(id(controlId));
    return widget;
}

void showControl(QAbstractButton& button, const BitControl& control)
{
    const QSignalBlocker quiet(button);
    button.setText(QString::fromStdString(control.caption));
    button.setEnabled(control.enabled);
    button.setChecked(control.checked);
}

class LockFuseDialog final : public QDialog {
public:
    LockFuseDialog(QWidget* parent, Ui& ui, const LockFuseState& setting, int deviceIndex,
                   LockFuseDialogModel::Mode mode, LockFuseChip* chip)
        : QDialog(parent), model_(ui, deviceIndex, setting, mode, chip)
    {
        setObjectName(id(lock_fuse_id::Dialog));
        build();
        translateWidget(*this, lock_fuse_id::Dialog);
        setWindowTitle(QString::fromStdString(model_.controls().title));
        refresh();
    }

    const LockFuseState& edited() const { return model_.edited(); }

protected:
    void showEvent(QShowEvent* event) override
    {
        QDialog::showEvent(event);
        shownFor_.start();
    }
    // The dialog opens under the pointer: the second click of a double click
    // on the button that opened it must not press the fuse bit beneath.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        const bool click = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
                           type == QEvent::MouseButtonRelease;
        if (click && shownFor_.isValid() && shownFor_.elapsed() < QApplication::doubleClickInterval())
            return true;
        return QDialog::eventFilter(watched, event);
    }

private:
    void build();
    void refresh();
    void onChip(void (LockFuseDialogModel::*action)());

    LockFuseDialogModel model_;
    QButtonGroup* lockGroup_ = nullptr;
    std::array<QRadioButton*, kLockModes> lockModes_{};
    std::array<QPushButton*, kFuseBoxes> fuses_{};
    std::array<QCheckBox*, kBootLockBits> bootLocks_{};
    QPushButton* read_ = nullptr;
    QPushButton* verify_ = nullptr;
    QPushButton* chipErase_ = nullptr;
    QPushButton* save_ = nullptr;
    QElapsedTimer shownFor_;
};

void LockFuseDialog::build()
{
    auto* lockBox = named<QGroupBox>(kLockGroup, this, QStringLiteral("Lock Bits"));
    auto* lockLayout = new QVBoxLayout(lockBox);
    lockGroup_ = new QButtonGroup(this);
    for (int mode = 0; mode < kLockModes; ++mode) {
        QRadioButton* radio = named<QRadioButton>(lock_fuse_id::FirstLockMode + mode, lockBox);
        lockModes_[at(mode)] = radio;
        lockGroup_->addButton(radio, mode);
        lockLayout->addWidget(radio);
        connect(radio, &QRadioButton::clicked, this, [this, mode] { model_.chooseLockMode(mode); });
    }
    auto* bootBox = named<QGroupBox>(kBootLockGroup, lockBox, QStringLiteral("Boot Lock Bits"));
    auto* bootLayout = new QVBoxLayout(bootBox);
    for (int bit = 0; bit < kBootLockBits; ++bit) {
        QCheckBox* box = named<QCheckBox>(lock_fuse_id::FirstBootLock + bit, bootBox);
        bootLocks_[at(bit)] = box;
        bootLayout->addWidget(box);
        connect(box, &QCheckBox::toggled, this, [this, bit](bool on) { model_.setBootLock(bit, on); });
    }
    lockLayout->addWidget(bootBox);
    lockLayout->addStretch();

    auto* fuseBox = named<QGroupBox>(kFuseGroup, this, QStringLiteral("Fuse Bits"));
    auto* fuseLayout = new QVBoxLayout(fuseBox);
    auto* grid = new QGridLayout;
    for (int bit = 0; bit < kFuseBoxes; ++bit) {
        QPushButton* button = named<QPushButton>(lock_fuse_id::FirstFuse + bit, fuseBox);
        button->setCheckable(true);
        button->setAutoDefault(false);
        fuses_[at(bit)] = button;
        button->installEventFilter(this);
        grid->addWidget(button, bit % kFusesPerColumn, bit / kFusesPerColumn);
        connect(button, &QPushButton::toggled, this, [this, bit](bool on) { model_.setFuse(bit, on); });
    }
    fuseLayout->addLayout(grid);
    QLabel* pressed =
        named<QLabel>(kPressedLabel, fuseBox, QStringLiteral("A button is pressed if the fuse bit is programmed"));
    pressed->setWordWrap(true);
    fuseLayout->addWidget(pressed);

    auto* buttons = new QVBoxLayout;
    auto button = [&](int controlId, const char* text) {
        QPushButton* pushButton = named<QPushButton>(controlId, this, QString::fromLatin1(text));
        pushButton->setAutoDefault(false);
        buttons->addWidget(pushButton);
        return pushButton;
    };
    QPushButton* program = button(lock_fuse_id::Program, "Program");
    read_ = button(lock_fuse_id::Read, "Read");
    verify_ = button(lock_fuse_id::Verify, "Verify");
    chipErase_ = button(lock_fuse_id::ChipErase, "Chip Erase");
    buttons->addStretch();
    save_ = button(lock_fuse_id::CloseAndSave, "Close and save settings");
    QPushButton* cancel = button(lock_fuse_id::CloseWithoutSaving, "Close without saving");
    connect(program, &QPushButton::clicked, this, [this] { onChip(&LockFuseDialogModel::program); });
    connect(read_, &QPushButton::clicked, this, [this] { onChip(&LockFuseDialogModel::read); });
    connect(verify_, &QPushButton::clicked, this, [this] { onChip(&LockFuseDialogModel::verify); });
    connect(chipErase_, &QPushButton::clicked, this, [this] { onChip(&LockFuseDialogModel::chipErase); });
    connect(save_, &QPushButton::clicked, this, [this] {
        if (model_.closeAndSave())
            accept();
        else
            refresh();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(lockBox);
    layout->addWidget(fuseBox, 1);
    layout->addLayout(buttons);
}

void LockFuseDialog::refresh()
{
    const LockFuseControls& controls = model_.controls();
    // An exclusive group cannot show "no mode", which a read may give.
    lockGroup_->setExclusive(false);
    for (int mode = 0; mode < kLockModes; ++mode)
        showControl(*lockModes_[at(mode)], controls.lockModes[at(mode)]);
    lockGroup_->setExclusive(true);
    for (int bit = 0; bit < kFuseBoxes; ++bit)
        showControl(*fuses_[at(bit)], controls.fuses[at(bit)]);
    for (int bit = 0; bit < kBootLockBits; ++bit)
        showControl(*bootLocks_[at(bit)], controls.bootLocks[at(bit)]);
    read_->setEnabled(controls.readEnabled);
    verify_->setEnabled(controls.verifyEnabled);
    chipErase_->setEnabled(controls.chipEraseEnabled);
    save_->setEnabled(controls.saveEnabled);
}

void LockFuseDialog::onChip(void (LockFuseDialogModel::*action)())
{
    // The chip commands use the serial port, which the GUI thread never
    // touches. The dialog is disabled meanwhile so that no second command starts.
    setEnabled(false);
    runAwayFromGuiThread([this, action] { (model_.*action)(); });
    setEnabled(true);
    refresh();
}

} // namespace

bool execLockFuseDialog(QWidget* parent, Ui& ui, LockFuseState& setting, int deviceIndex, bool directMode,
                        LockFuseChip* chip)
{
    using Mode = LockFuseDialogModel::Mode;
    LockFuseDialog dialog(parent, ui, setting, deviceIndex, directMode ? Mode::Direct : Mode::AutoProgram, chip);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    setting = dialog.edited();
    return true;
}

} // namespace quorva::gui

#include "lock_fuse_dialog_model.h"

#include "base/messages.h"
#include "catalogue/catalogue_messages.h"
#include "catalogue/device_lookup.h"
#include "catalogue/fuse_warnings.h"
#include "catalogue/lock_fuse.h"

#include <cstring>

namespace quorva {

namespace {

constexpr int kUnusedCaption = 1014;
constexpr int kDirectTitle = 1193;
constexpr int kAutoProgramTitle = 1194;
constexpr int kUnknownLockMode = 2170;

const FuseLayout& layoutOf(const DeviceInfo* device)
{
    return device != nullptr ? fuseLayoutOf(*device) : fuseLayoutAt(-1);
}

std::size_t at(int i)
{
    return static_cast<std::size_t>(i);
}

} // namespace

LockFuseDialogModel::LockFuseDialogModel(Ui& ui, int deviceIndex, const LockFuseState& initial, Mode mode,
                                         LockFuseChip* chip)
    : ui_(ui), device_(deviceAt(deviceIndex)), layout_(layoutOf(device_)), mode_(mode), chip_(chip), shown_(initial)
{
    controls_.title = messageText(autoProgramMode() ? kAutoProgramTitle : kDirectTitle);
    controls_.chipEraseEnabled = !autoProgramMode();
    controls_.saveEnabled = autoProgramMode();
    // A project file may carry any number here; no radio shows it, and
    // collecting then writes "no locking" unless the person picks one.
    if (shown_.lockMode < 0 || shown_.lockMode >= kLockModes)
        ui_.showMessage(BoxIcon::Warning, messageText(1025), formatMessage(kUnknownLockMode, shown_.lockMode));
    fill();
}

void LockFuseDialogModel::fill()
{
    const int protocol = device_ != nullptr ? device_->protocol : ProtocolAvr;
    for (int mode = 0; mode < kLockModes; ++mode) {
        BitControl& radio = controls_.lockModes[at(mode)];
        radio.caption = lockModeCaption(protocol, mode);
        radio.enabled = mode < kLockModes - 1 || protocol != ProtocolAvr;
        radio.checked = mode == shown_.lockMode;
    }
    for (int i = 0; i < kFuseBoxes; ++i) {
        BitControl& box = controls_.fuses[at(i)];
        if (i < layout_.fuseBitCount && layout_.fuseBitName[at(i)] != nullptr) {
            box.caption = layout_.fuseBitName[at(i)];
            box.enabled = std::strcmp(layout_.fuseBitName[at(i)], kEmptyFuseName) != 0;
            box.checked = shown_.fuse[at(i)];
        } else {
            box = BitControl{messageText(kUnusedCaption), false, false};
        }
    }
    for (int i = 0; i < kBootLockBits; ++i) {
        BitControl& box = controls_.bootLocks[at(i)];
        if (i < layout_.bootLockCount && layout_.bootLockName[at(i)] != nullptr)
            box = BitControl{layout_.bootLockName[at(i)], true, shown_.bootLock[at(i)]};
        else
            box = BitControl{messageText(kUnusedCaption), false, false};
    }
    controls_.readEnabled = shown_.valid != 0;
    controls_.verifyEnabled = shown_.valid != 0;
}

void LockFuseDialogModel::chooseLockMode(int mode)
{
    for (int i = 0; i < kLockModes; ++i)
        controls_.lockModes[at(i)].checked = i == mode;
}

void LockFuseDialogModel::setFuse(int bit, bool checked)
{
    if (bit >= 0 && bit < kFuseBoxes && controls_.fuses[at(bit)].enabled)
        controls_.fuses[at(bit)].checked = checked;
}

void LockFuseDialogModel::setBootLock(int bit, bool checked)
{
    if (bit >= 0 && bit < kBootLockBits && controls_.bootLocks[at(bit)].enabled)
        controls_.bootLocks[at(bit)].checked = checked;
}

void LockFuseDialogModel::collect()
{
    for (int i = 0; i < kFuseBoxes; ++i)
        edited_.fuse[at(i)] = controls_.fuses[at(i)].checked;
    for (int mode = 0; mode < kLockModes; ++mode) {
        if (controls_.lockModes[at(mode)].checked) {
            edited_.lockMode = mode;
            break;
        }
    }
    for (int i = 0; i < kBootLockBits; ++i)
        edited_.bootLock[at(i)] = controls_.bootLocks[at(i)].checked;
}

bool LockFuseDialogModel::collectValidated()
{
    LockFuseState boxes = edited_;
    for (int i = 0; i < kFuseBoxes; ++i)
        boxes.fuse[at(i)] = controls_.fuses[at(i)].checked;
    const std::vector<std::string> lines = dangerousSettingLines(layout_, boxes);
    if (!lines.empty() && ui_.ask(Buttons::YesNo, BoxIcon::Warning, 1, messageText(catalogue_msg::kWarningCaption),
                                  dangerousSettingsQuestion(lines)) != Answer::Yes)
        return false;
    collect();
    return true;
}

void LockFuseDialogModel::program()
{
    if (chip_ == nullptr || !collectValidated())
        return;
    if (chip_->programBits(edited_)) {
        shown_ = edited_;
        shown_.valid = 1;
        fill();
    }
}

void LockFuseDialogModel::read()
{
    if (chip_ != nullptr && chip_->readBits(edited_)) {
        shown_ = edited_;
        fill();
    }
}

void LockFuseDialogModel::verify()
{
    if (chip_ == nullptr)
        return;
    collect();
    chip_->verifyBits(edited_);
}

void LockFuseDialogModel::chipErase()
{
    if (chip_ != nullptr && !autoProgramMode() && chip_->eraseChip() && chip_->readBits(edited_)) {
        shown_ = edited_;
        fill();
    }
}

bool LockFuseDialogModel::closeAndSave()
{
    return autoProgramMode() && collectValidated();
}

} // namespace quorva

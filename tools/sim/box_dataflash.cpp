// DataFlash framing: the DataFlash's own chip select, and the byte-wise
// transfers inside a selected frame, whose opening bytes the box watches.

#include "box.h"
#include "box_commands.h"

namespace quorva::sim {

bool Box::dataFlashCommand()
{
    const auto& a = args_;
    const std::uint64_t now = nowUs();
    switch (command_) {
    case kFlashDeselect:
    case kFlashDeselectAlt:
        chip_->flashSelect(false, now);
        flashSelected_ = false;
        ack();
        return true;
    case kFlashSelect:
    case kFlashSelectAlt:
        chip_->flashSelect(true, now);
        flashSelected_ = true;
        spiWrites_.clear();
        ack();
        return true;
    case kSpiWrite:
        spi(a[0]);
        if (flashSelected_)
            spiWrites_.push_back(a[0]);
        // At 921600 baud the box answers a byte-wise continuous read set-up
        // (03 and three address bytes) with a second 0x0D once it is ready
        // to stream.
        if (baud_ == 921600 && spiWrites_.size() == 4 && spiWrites_[0] == 0x03)
            reply({kAck, kAck});
        else
            ack();
        return true;
    case kSpiRead:
        spiWrites_.clear();
        reply({spi(0x00)});
        return true;
    default:
        return false;
    }
}

} // namespace quorva::sim

#include "lazy_chip.h"

#include <map>
#include <memory>

namespace quorva::fuzz {

void LazyChip::lockFully()
{
    if (chip_)
        chip_->lockFully();
    else
        lockWhenBuilt_ = true;
}

sim::Chip& LazyChip::take() const
{
    static std::map<const sim::PartInfo*, std::unique_ptr<sim::Chip>> kept;
    std::unique_ptr<sim::Chip>& chip = kept[&part_];
    if (chip)
        chip->restart();
    else
        chip = sim::makeChip(part_);
    chip_ = chip.get();
    chip_->setInstantWrites(instant_);
    chip_->setStaysLocked(staysLocked_);
    chip_->setIdentityOf(identityOf_);
    if (lockWhenBuilt_)
        chip_->lockFully();
    return *chip_;
}

} // namespace quorva::fuzz

#include "catalogue/fuse_layout.h"

namespace quorva {

const FuseLayout& fuseLayoutAt(int index)
{
    static constexpr FuseLayout empty{};
    if (index < 0 || index >= kFuseLayoutCount)
        return empty;
    return fuseLayoutTable[static_cast<std::size_t>(index)];
}

const FuseLayout& fuseLayoutOf(const DeviceInfo& device)
{
    return fuseLayoutAt(device.fuseLayout);
}

bool fuseBytePresent(const FuseLayout& layout, int j)
{
    if (j < 0 || j >= kFuseBytes || layout.fuseBitCount <= 0)
        return false;
    return layout.fuseWritePresent[static_cast<std::size_t>(j)] != 0;
}

int fuseByteCount(const FuseLayout& layout)
{
    int count = 0;
    for (int j = 0; j < kFuseBytes; ++j)
        if (fuseBytePresent(layout, j))
            ++count;
    return count;
}

} // namespace quorva

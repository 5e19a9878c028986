#include "app_icon.h"

#include <QString>

namespace quorva::gui {

QIcon quorvaIcon()
{
    // Every drawn size, so that no size is scaled from another: a scaled-down
    // 256 px chip loses its pins at 16 px.
    static constexpr int kSizes[] = {16, 24, 32, 48, 64, 128, 256};
    QIcon icon;
    for (const int size : kSizes)
        icon.addFile(QStringLiteral(":/icons/%1x%1/quorva.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace quorva::gui

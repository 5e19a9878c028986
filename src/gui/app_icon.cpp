#include "app_icon.h"

namespace quorva::gui {

QIcon quorvaIcon()
{
    return QIcon();
}

} // namespace quorva::gui

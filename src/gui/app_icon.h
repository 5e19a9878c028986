#pragma once

#include <QIcon>

namespace quorva::gui {

// The program's icon (a chip with a programming arrow) at every size it is
// drawn in: window, task bar, About box.
QIcon quorvaIcon();

} // namespace quorva::gui

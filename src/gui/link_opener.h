#pragma once

#include <string>

class QObject;

namespace quorva {
class Ui;
}

namespace quorva::gui {

// Opens a link target through ui; when the desktop's handler refuses it,
// asks xdg-open again to learn why and warns "Can't open link:" with the
// reason. The check runs beside the event loop and ends with owner.
void openLink(QObject& owner, Ui& ui, const std::string& target);

} // namespace quorva::gui

#pragma once

class QString;
class QWidget;

namespace quorva::gui {

// Gives a window the caption and control texts of its dialog table in the
// current language. Controls are found by their id as objectName; an id the
// window does not have is skipped, and a dialog without a table keeps its
// English texts.
void translateWidget(QWidget& window, int dialogId);

// Sets the text of the control whose objectName is id, whatever its kind
// (button, label, group box, line edit); false when there is none.
bool setControlText(QWidget& window, int id, const QString& text);

} // namespace quorva::gui

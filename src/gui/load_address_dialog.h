#pragma once

class QWidget;

namespace quorva::gui {

// "Load At...": the address to merge a file at. address holds the proposal
// on entry and the entered address on OK.
bool execLoadAddressDialog(QWidget* parent, int& address);

} // namespace quorva::gui

#pragma once

class QWidget;

namespace quorva {
class Ui;
}

namespace quorva::gui {

// "Load At...": the address to merge a file at. address holds the proposal
// on entry and the entered address on OK; ui shows the refusal of an address
// that is not one.
bool execLoadAddressDialog(QWidget* parent, Ui& ui, int& address);

} // namespace quorva::gui

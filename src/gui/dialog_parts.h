#pragma once

// Pieces every small dialog is built from.
#include <QString>

class QDialog;
class QDialogButtonBox;

namespace quorva::gui {

// A catalogue text as a QString, in the current language or in one given.
QString uiText(int messageId);
QString uiText(int messageId, bool russian);

// Gives a widget its control id as objectName and returns it.
template <typename W>
W* withId(W* widget, int id)
{
    widget->setObjectName(QString::number(id));
    return widget;
}

// OK (id 1) and, unless okOnly, Cancel (id 2), wired to accept and reject.
// Their texts are "OK" and "Cancel" in the language given; a dialog's text
// table may relabel them afterwards.
QDialogButtonBox* dialogButtons(QDialog& dialog, bool russian, bool okOnly = false);

} // namespace quorva::gui

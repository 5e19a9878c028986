#pragma once

#include <string>

class QWidget;

namespace quorva::test {

// Saves the widget as build/screenshots/<name>.png for a person to look at.
void saveScreenshot(QWidget& widget, const std::string& name);

} // namespace quorva::test

#pragma once

#include <string>

namespace quorva::gui {

// A chooser filter of "Description|pattern;pattern|..." pairs as a Qt name
// filter list ("Description (pattern pattern);;..."). Patterns also match in
// capitals, as files copied from other systems often are, and "*.*" matches
// every file, with or without a dot.
std::string qtNameFilters(const std::string& filter);

} // namespace quorva::gui

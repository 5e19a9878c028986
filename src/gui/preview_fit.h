#pragma once

#include <initializer_list>

class QWidget;

namespace quorva::gui {

class PreviewView;

// Gives the previews the largest line, from their usual one down, at which
// the window (not yet shown) fits its screen's free area, so that no part of
// it is off a small screen such as 1024 x 768.
void fitPreviewsToScreen(QWidget& window, std::initializer_list<PreviewView*> previews);

} // namespace quorva::gui

#include "preview_fit.h"

#include "preview_view.h"

#include <QCoreApplication>
#include <QScreen>
#include <QWindow>

namespace quorva::gui {

namespace {

// Below this a line of the preview is no longer legible.
constexpr int kSmallestLine = 9;
// The layouts pass a changed size up one nesting level per round.
constexpr int kLayoutRounds = 8;

QSize windowSizeHint(QWidget& window)
{
    for (int round = 0; round < kLayoutRounds; ++round)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    return window.sizeHint();
}

} // namespace

void fitPreviewsToScreen(QWidget& window, std::initializer_list<PreviewView*> previews)
{
    if (previews.size() == 0 || window.screen() == nullptr)
        return;
    const QWindow* handle = window.windowHandle();
    const QMargins frame = handle ? handle->frameMargins() : QMargins();
    const QSize room = window.screen()->availableGeometry().size().shrunkBy(frame);
    for (int line = (*previews.begin())->lineHeight(); line > kSmallestLine; --line) {
        const QSize needed = windowSizeHint(window);
        if (needed.width() <= room.width() && needed.height() <= room.height())
            return;
        for (PreviewView* preview : previews)
            preview->setLineHeight(line - 1);
    }
}

} // namespace quorva::gui

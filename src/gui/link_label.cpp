#include "link_label.h"

#include <QColor>
#include <QMouseEvent>
#include <QPalette>

namespace quorva::gui {

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent)
{
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, QColor(0, 0, 255));
    setPalette(colours);
    setCursor(Qt::PointingHandCursor);
    setTextFormat(Qt::PlainText);
}

void LinkLabel::setTarget(const QString& target)
{
    target_ = target;
    setToolTip(target);
}

void LinkLabel::enterEvent(QEnterEvent* event)
{
    setUnderlined(true);
    QLabel::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event)
{
    setUnderlined(false);
    QLabel::leaveEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    // An empty link line has nothing to open.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && !target_.isEmpty())
        emit clicked(target_);
    QLabel::mouseReleaseEvent(event);
}

void LinkLabel::setUnderlined(bool on)
{
    QFont shown = font();
    shown.setUnderline(on);
    setFont(shown);
}

} // namespace quorva::gui

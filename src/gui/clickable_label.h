#pragma once

#include <QLabel>

namespace quorva::gui {

// A sunken label that reports a left click: the status line.
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace quorva::gui

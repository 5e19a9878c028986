#pragma once

#include <QLabel>
#include <QString>

namespace quorva::gui {

// A label that behaves as a link: blue, the hand cursor over it, underlined
// while the pointer is on it, and a click reports its target.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(QWidget* parent = nullptr);

    // What a click opens; also shown as the tool tip.
    void setTarget(const QString& target);
    const QString& target() const { return target_; }

signals:
    void clicked(const QString& target);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setUnderlined(bool on);

    QString target_;
};

} // namespace quorva::gui

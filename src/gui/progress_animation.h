#pragma once

#include <QTimer>
#include <QWidget>

namespace quorva::gui {

// The progress window's small looping picture: bytes travelling from the PC
// into a chip. Painted, so the program carries no video file.
class ProgressAnimation : public QWidget {
    Q_OBJECT
public:
    explicit ProgressAnimation(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer timer_;
    int frame_ = 0;
};

} // namespace quorva::gui

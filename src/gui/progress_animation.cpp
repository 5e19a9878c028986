#include "progress_animation.h"

#include <QPainter>

namespace quorva::gui {

namespace {
constexpr int kFrameMs = 90;
constexpr int kCells = 8; // bytes on their way
constexpr int kFrames = kCells + 4;
} // namespace

ProgressAnimation::ProgressAnimation(QWidget* parent) : QWidget(parent)
{
    timer_.setInterval(kFrameMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        frame_ = (frame_ + 1) % kFrames;
        update();
    });
}

QSize ProgressAnimation::sizeHint() const
{
    return {260, 40};
}

void ProgressAnimation::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    timer_.start();
}

void ProgressAnimation::hideEvent(QHideEvent* event)
{
    timer_.stop();
    QWidget::hideEvent(event);
}

void ProgressAnimation::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int h = height();
    const int chipSize = h - 8;
    const QRect chip(width() - chipSize - 6, 4, chipSize, chipSize);
    // The chip with its pins.
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    for (int i = 1; i <= 3; ++i) {
        const int y = chip.top() + i * chip.height() / 4;
        painter.drawLine(chip.left() - 4, y, chip.left(), y);
        painter.drawLine(chip.right(), y, chip.right() + 4, y);
    }
    painter.setBrush(QColor(0x2b, 0x2f, 0x36));
    painter.drawRoundedRect(chip, 3, 3);
    // The bytes: each cell lights up as the wave passes it.
    const int lane = chip.left() - 14;
    const int cell = std::max(6, lane / kCells - 4);
    const int y = h / 2 - cell / 2;
    for (int i = 0; i < kCells; ++i) {
        const int distance = frame_ - i;
        const bool lit = distance >= 0 && distance < 3;
        painter.setPen(Qt::NoPen);
        painter.setBrush(lit ? QColor(0x2f, 0xb5, 0xa8) : palette().color(QPalette::Midlight));
        painter.drawRect(6 + i * (lane / kCells), y, cell, cell);
    }
}

} // namespace quorva::gui

#pragma once

#include "data/preview_model.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QStaticText>

#include <array>

namespace quorva::gui {

// Paints a buffer's PreviewModel and hands clicks and typed characters to it.
// Only the visible lines are drawn, into Qt's back buffer, so nothing
// flickers. The mouse wheel, the arrow keys and Page Up/Down scroll.
class PreviewView : public QAbstractScrollArea {
    Q_OBJECT
public:
    PreviewView(MemoryBuffer& buffer, const QString& title, QWidget* parent = nullptr);

    PreviewModel& model() { return model_; }
    // The cell font by its line height in pixels (15 by default).
    void setLineHeight(int pixels);
    void setSwapPairs(bool on);
    // The buffer changed: new snapshot, scroll range and paint. Call only
    // where no command is changing the buffer.
    void refresh();
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A typed character changed the buffer.
    void edited();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void updateScrollBar();

    PreviewModel model_;
    QFont font_;
    int ascent_ = 0;
    std::array<QStaticText, 256> hexTexts_;
    std::array<QStaticText, 256> charTexts_;
    std::array<QStaticText, 16> headerHex_;
    std::array<QStaticText, 16> headerChar_;
    bool syncing_ = false;
};

} // namespace quorva::gui

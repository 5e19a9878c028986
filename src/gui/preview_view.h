#pragma once

#include "data/preview_model.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QStaticText>

#include <array>

namespace quorva::gui {

// Paints a buffer's PreviewModel and hands clicks, typed characters and the
// arrow keys of an edit to it. Only the visible lines are drawn, into Qt's
// back buffer, so nothing flickers. The mouse wheel, Page Up/Down and, outside
// an edit, the arrow keys scroll; a tool tip names the byte under the pointer.
class PreviewView : public QAbstractScrollArea {
    Q_OBJECT
public:
    PreviewView(MemoryBuffer& buffer, const QString& title, QWidget* parent = nullptr);

    PreviewModel& model() { return model_; }
    // The cell font by its line height in pixels (15 by default).
    void setLineHeight(int pixels);
    int lineHeight() const { return lineHeight_; }
    const QFont& cellFont() const { return font_; }
    // The least number of lines of bytes the view keeps room for, at any line height.
    void setShownLines(int lines);
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
    bool viewportEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void updateScrollBar();
    void prepareCharTexts();
    // Arrow keys move the edit cursor; true when the key was one of them.
    bool moveCursor(int key);
    void typed(char32_t ch);

    PreviewModel model_;
    QFont font_;
    int lineHeight_ = 0;
    int shownLines_ = 0;
    int ascent_ = 0;
    CodePage charTextsPage_ = CodePage::Oem437;
    std::array<QStaticText, 256> hexTexts_;
    std::array<QStaticText, 256> charTexts_;
    std::array<QStaticText, 16> headerHex_;
    std::array<QStaticText, 16> headerChar_;
    bool syncing_ = false;
};

} // namespace quorva::gui

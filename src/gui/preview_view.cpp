#include "preview_view.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

namespace quorva::gui {

namespace {

constexpr int kDefaultLineHeight = 15;
constexpr int kWheelLines = 3;
// Shown for a byte without a glyph of its own; a zero byte shows nothing.
constexpr char16_t kPlaceholder = u'\u00B7';

QColor colour(Rgb rgb)
{
    return {rgb.red, rgb.green, rgb.blue};
}

QStaticText staticText(const QString& text, const QFont& font)
{
    QStaticText result(text);
    result.setTextFormat(Qt::PlainText);
    result.prepare(QTransform(), font);
    return result;
}

} // namespace

PreviewView::PreviewView(MemoryBuffer& buffer, const QString& title, QWidget* parent)
    : QAbstractScrollArea(parent), model_(buffer)
{
    setAccessibleName(title);
    setWindowTitle(title);
    setFrameStyle(QFrame::NoFrame); // the view draws its own frame
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setPageStep(PreviewModel::kBytesPerLine);
    setLineHeight(kDefaultLineHeight);
}

void PreviewView::setLineHeight(int pixels)
{
    font_ = QFont(QStringLiteral("DejaVu Sans Mono"));
    font_.setStyleHint(QFont::TypeWriter);
    font_.setFixedPitch(true);
    // The largest pixel size whose line is no taller than asked.
    int size = pixels;
    font_.setPixelSize(size);
    while (size > 4 && QFontMetrics(font_).height() > pixels)
        font_.setPixelSize(--size);
    const QFontMetrics metrics(font_);
    ascent_ = metrics.ascent();
    // A cell is a character and 4 pixels; three of them hold the five digits
    // of an address, also in a font narrower than the one the layout was drawn for.
    const int average = metrics.averageCharWidth();
    model_.setCellSize(std::max(average + 4, (5 * average + 5) / 3), metrics.height() + 4);
    for (int value = 0; value < 256; ++value) {
        hexTexts_[static_cast<std::size_t>(value)] =
            staticText(QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper(), font_);
        const bool printable = value >= 0x20 && value < 0x7F;
        const QString glyph = value == 0 ? QString() : printable ? QString(QChar(value)) : QString(QChar(kPlaceholder));
        charTexts_[static_cast<std::size_t>(value)] = staticText(glyph, font_);
    }
    for (int k = 0; k < 16; ++k) {
        headerHex_[static_cast<std::size_t>(k)] = staticText(QStringLiteral("0%1").arg(k, 1, 16).toUpper(), font_);
        headerChar_[static_cast<std::size_t>(k)] = staticText(QStringLiteral("%1").arg(k, 1, 16).toUpper(), font_);
    }
    updateGeometry();
    refresh();
}

QSize PreviewView::sizeHint() const
{
    return {model_.naturalWidth() + verticalScrollBar()->sizeHint().width(), 8 * model_.cellHeight()};
}

QSize PreviewView::minimumSizeHint() const
{
    return {model_.naturalWidth() + verticalScrollBar()->sizeHint().width(), 3 * model_.cellHeight()};
}

void PreviewView::setSwapPairs(bool on)
{
    if (model_.swapPairs() == on)
        return;
    model_.setSwapPairs(on);
    refresh();
}

void PreviewView::refresh()
{
    model_.setViewSize(viewport()->width(), viewport()->height());
    model_.snapshot();
    updateScrollBar();
    viewport()->update();
}

void PreviewView::updateScrollBar()
{
    syncing_ = true;
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, model_.scrollMax());
    bar->setValue(model_.firstLine());
    setVerticalScrollBarPolicy(model_.hasScrollBar() ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    syncing_ = false;
}

void PreviewView::scrollContentsBy(int, int)
{
    if (syncing_)
        return;
    model_.scrollTo(verticalScrollBar()->value());
    viewport()->update();
}

void PreviewView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    refresh();
}

void PreviewView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const int w = viewport()->width();
    const int hgt = viewport()->height();
    const int c = model_.cellWidth();
    const int h = model_.cellHeight();
    painter.fillRect(0, 0, w, hgt, palette().color(QPalette::Base));
    painter.setFont(font_);

    // Grid.
    painter.setPen(Qt::black);
    painter.drawLine(0, h + 2, w - 1, h + 2);
    for (int x : {3 * c + 2, 35 * c + 4, 51 * c + 6})
        painter.drawLine(x, 0, x, hgt - 1);

    // Texts right-aligned in their cell, centred in the line.
    const int baseline = (h - QFontMetrics(font_).height()) / 2 + ascent_;
    auto drawRight = [&](const QStaticText& text, int right, int top) {
        painter.drawStaticText(right - static_cast<int>(text.size().width()), top + baseline - ascent_, text);
    };
    for (int k = 0; k < 16; ++k) {
        const auto digit = static_cast<std::size_t>(model_.headerDigit(k));
        drawRight(headerHex_[digit], (5 + 2 * k) * c + 3, 0);
        drawRight(headerChar_[digit], (36 + k) * c + 5, 0);
    }

    const int first = model_.firstLine();
    const int rows = model_.rows();
    const int length = model_.length();
    for (int r = 0; r < rows && (first + r) * 16 < length; ++r) {
        const QString address = QStringLiteral("%1").arg((first + r) * 16, 5, 16, QLatin1Char('0')).toUpper();
        painter.setPen(Qt::black);
        painter.drawText(QRect(1, (r + 1) * h + 2, 3 * c - 1, h), Qt::AlignRight | Qt::AlignVCenter, address);
    }
    const int end = std::min((first + rows) * 16, length);
    QRgb current = 0;
    painter.setPen(QColor(Qt::black));
    for (int i = first * 16; i < end; ++i) {
        const int r = (i - first * 16) / 16;
        const int k = i % 16;
        const QColor pen = colour(model_.colourAt(i));
        if (pen.rgb() != current) {
            painter.setPen(pen);
            current = pen.rgb();
        }
        const auto value = static_cast<std::size_t>(model_.byteAt(i));
        const int top = (r + 1) * h + 2;
        drawRight(hexTexts_[value], (2 * k + 5) * c + 2, top);
        drawRight(charTexts_[value], (k + 36) * c + 6, top);
    }

    // The frame: thick while the view has the keyboard.
    const int thickness = hasFocus() ? 3 : 1;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawRect(0, 0, w, thickness);
    painter.drawRect(0, hgt - thickness, w, thickness);
    painter.drawRect(0, 0, thickness, hgt);
    painter.drawRect(w - thickness, 0, thickness, hgt);
}

void PreviewView::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        model_.leftClick(at.x(), at.y());
        viewport()->update();
    } else if (event->button() == Qt::RightButton && model_.rightClick()) {
        viewport()->update();
    }
}

void PreviewView::keyPressEvent(QKeyEvent* event)
{
    // Typing goes by the character a key produces; the keys without one scroll.
    const QString text = event->text();
    if (!text.isEmpty() && text.front().isPrint()) {
        for (const char32_t ch : text.toUcs4())
            if (model_.type(ch)) {
                viewport()->update();
                emit edited();
            }
        return;
    }
    QScrollBar* bar = verticalScrollBar();
    switch (event->key()) {
    case Qt::Key_Up:
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Down:
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    case Qt::Key_PageUp:
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        break;
    case Qt::Key_PageDown:
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        break;
    case Qt::Key_Home:
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        break;
    case Qt::Key_End:
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void PreviewView::wheelEvent(QWheelEvent* event)
{
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() - notches * kWheelLines);
    event->accept();
}

void PreviewView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void PreviewView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

} // namespace quorva::gui

#include "preview_view.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

namespace quorva::gui {

namespace {

constexpr int kDefaultLineHeight = 15;
constexpr int kWheelLines = 3;

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
    setLineHeight(kDefaultLineHeight);
}

void PreviewView::setLineHeight(int pixels)
{
    lineHeight_ = pixels;
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
    // A cell is a character and 4 pixels; the address column holds the
    // longest address clear of the thick frame.
    model_.setCellSize(metrics.averageCharWidth() + 4, metrics.height() + 4);
    model_.setAddressWidth(metrics.horizontalAdvance(QString(PreviewModel::kAddressDigits, QLatin1Char('F'))) + 8);
    for (int value = 0; value < 256; ++value)
        hexTexts_[static_cast<std::size_t>(value)] =
            staticText(QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper(), font_);
    prepareCharTexts();
    for (int k = 0; k < 16; ++k) {
        headerHex_[static_cast<std::size_t>(k)] = staticText(QStringLiteral("0%1").arg(k, 1, 16).toUpper(), font_);
        headerChar_[static_cast<std::size_t>(k)] = staticText(QStringLiteral("%1").arg(k, 1, 16).toUpper(), font_);
    }
    setShownLines(shownLines_);
    updateGeometry();
    refresh();
}

void PreviewView::prepareCharTexts()
{
    charTextsPage_ = model_.codePage();
    for (int value = 0; value < 256; ++value) {
        const char32_t glyph = codePageGlyph(charTextsPage_, static_cast<std::uint8_t>(value));
        charTexts_[static_cast<std::size_t>(value)] =
            staticText(glyph == 0 ? QString() : QString::fromUcs4(&glyph, 1), font_);
    }
}

void PreviewView::setShownLines(int lines)
{
    shownLines_ = lines;
    if (lines > 0)
        setMinimumHeight((lines + 1) * model_.cellHeight() + 4);
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
    if (model_.codePage() != charTextsPage_)
        prepareCharTexts(); // the language changed
    updateScrollBar();
    viewport()->update();
}

void PreviewView::updateScrollBar()
{
    syncing_ = true;
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, model_.scrollMax());
    bar->setPageStep(model_.pageLines());
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
    const int h = model_.cellHeight();
    painter.fillRect(0, 0, w, hgt, palette().color(QPalette::Base));
    painter.setFont(font_);

    // Grid.
    painter.setPen(Qt::black);
    painter.drawLine(0, h + 2, w - 1, h + 2);
    for (int x : {model_.hexColumnLeft(), model_.charColumnLeft(), model_.charColumnRight()})
        painter.drawLine(x, 0, x, hgt - 1);

    // Texts right-aligned in their cell, centred in the line.
    const int baseline = (h - QFontMetrics(font_).height()) / 2 + ascent_;
    auto drawRight = [&](const QStaticText& text, int right, int top) {
        painter.drawStaticText(right - static_cast<int>(text.size().width()), top + baseline - ascent_, text);
    };
    for (int k = 0; k < 16; ++k) {
        const auto digit = static_cast<std::size_t>(model_.headerDigit(k));
        drawRight(headerHex_[digit], model_.hexCellRight(k) + 1, 0);
        drawRight(headerChar_[digit], model_.charCellRight(k) - 1, 0);
    }

    const int first = model_.firstLine();
    const int rows = model_.rows();
    const int length = model_.length();
    for (int r = 0; r < rows && (first + r) * 16 < length; ++r) {
        const QString address = QString::fromStdString(PreviewModel::addressText(first + r));
        painter.setPen(Qt::black);
        painter.drawText(QRect(1, (r + 1) * h + 2, model_.addressWidth() - 1, h), Qt::AlignRight | Qt::AlignVCenter,
                         address);
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
        drawRight(hexTexts_[value], model_.hexCellRight(k), top);
        drawRight(charTexts_[value], model_.charCellRight(k), top);
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
    // Typing goes by the character a key produces. In character mode the
    // keys of the control codes the column shows store them too.
    if (model_.editMode() == PreviewModel::EditMode::Character) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            typed(U'\r');
            return;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            typed(U'\t');
            return;
        case Qt::Key_Backspace:
            typed(U'\b');
            return;
        case Qt::Key_Escape:
            typed(U'\x1B');
            return;
        default:
            break;
        }
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.front().isPrint()) {
        for (const char32_t ch : text.toUcs4())
            typed(ch);
        return;
    }
    if (moveCursor(event->key()))
        return;
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

void PreviewView::typed(char32_t ch)
{
    if (!model_.type(ch))
        return;
    updateScrollBar();
    viewport()->update();
    emit edited();
}

bool PreviewView::moveCursor(int key)
{
    if (model_.editMode() == PreviewModel::EditMode::None)
        return false;
    int delta = 0;
    switch (key) {
    case Qt::Key_Left:
        delta = -1;
        break;
    case Qt::Key_Right:
        delta = 1;
        break;
    case Qt::Key_Up:
        delta = -PreviewModel::kBytesPerLine;
        break;
    case Qt::Key_Down:
        delta = PreviewModel::kBytesPerLine;
        break;
    default:
        return false;
    }
    if (model_.moveCursor(delta)) {
        updateScrollBar();
        viewport()->update();
    }
    return true;
}

bool PreviewView::focusNextPrevChild(bool next)
{
    // Tab is a character to type while editing characters.
    if (model_.editMode() == PreviewModel::EditMode::Character)
        return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

bool PreviewView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const std::string text = model_.describeAt(help->pos().x(), help->pos().y());
        if (text.empty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), QString::fromStdString(text), viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
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

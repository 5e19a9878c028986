#include "main_window.h"

#include "app_icon.h"
#include "base/messages.h"
#include "base/text_tables.h"
#include "clickable_label.h"
#include "command_runner.h"
#include "gui_thread.h"
#include "link/commands.h"
#include "preview_fit.h"
#include "preview_view.h"
#include "shell/app_controller.h"
#include "shell/window_ids.h"
#include "translate_widget.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>

namespace quorva::gui {

namespace {

constexpr int kBusyLookDelayMs = 120; // a quick command must not make the window flicker
constexpr int kFlashPreviewLines = 12;
constexpr int kEepromPreviewLines = 7;

QString qt(const std::string& text)
{
    return QString::fromStdString(text);
}

QString id(int value)
{
    return QString::number(value);
}

QLabel* sunkenLabel(int controlId, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(id(controlId));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setMinimumWidth(1);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return label;
}

// The frame a preview covers, with the preview in it.
QFrame* previewFrame(int controlId, PreviewView* preview, int lines, QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(id(controlId));
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    preview->setParent(frame);
    preview->setShownLines(lines);
    layout->addWidget(preview);
    return frame;
}

void refill(QComboBox& box, const std::vector<std::string>& items, int selection)
{
    const QSignalBlocker blocker(box);
    bool same = box.count() == static_cast<int>(items.size());
    for (int i = 0; same && i < box.count(); ++i)
        same = box.itemText(i) == qt(items[static_cast<std::size_t>(i)]);
    if (!same) {
        box.clear();
        for (const std::string& item : items)
            box.addItem(qt(item));
    }
    box.setCurrentIndex(selection);
}

} // namespace

MainWindow::MainWindow(AppController& controller, CommandRunner& runner) : controller_(controller), runner_(runner)
{
    setObjectName(id(kMainWindowDialog));
    setWindowIcon(quorvaIcon());
    setAcceptDrops(true);

    auto* central = new QWidget(this);
    auto* grid = new QGridLayout(central);
    grid->addWidget(buildPanes(), 0, 0);
    grid->addWidget(buildDeviceColumn(), 0, 1, Qt::AlignTop);

    status_ = new ClickableLabel(qt(kTextPleaseWait), central);
    status_->setObjectName(id(control::StatusLine));
    status_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status_->setAlignment(Qt::AlignCenter);
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    status_->setMinimumHeight(status_->sizeHint().height() + 4);
    connect(static_cast<ClickableLabel*>(status_), &ClickableLabel::clicked, this,
            [this] { submit([this] { controller_.statusLineClicked(); }); });
    sck_ = new QComboBox(central);
    sck_->setObjectName(id(control::SckList));
    for (const char* caption : kSpiPeriodCaptions)
        sck_->addItem(QString::fromLatin1(caption));
    connect(sck_, &QComboBox::activated, this,
            [this](int index) { submit([this, index] { controller_.window().sckChosen(index); }); });
    grid->addWidget(status_, 1, 0);
    grid->addWidget(sck_, 1, 1);
    // Only the Flash pane grows with the window; the rest keeps its place or moves down.
    grid->setRowStretch(0, 1);
    setCentralWidget(central);

    busyLook_.setSingleShot(true);
    busyLook_.setInterval(kBusyLookDelayMs);
    connect(&busyLook_, &QTimer::timeout, this, [this] { setBusyLook(true); });
    connect(&runner_, &CommandRunner::finished, this, &MainWindow::commandFinished);
    qApp->installEventFilter(this);

    // The buffers tell their views of every change, also from the command
    // thread: the refresh runs on the GUI thread while the command waits, so
    // the view's copy is taken while nothing changes the buffer.
    auto follow = [](MemoryBuffer& buffer, PreviewView* view) {
        buffer.setPreview([view] { runOnGuiThread([view] { view->refresh(); }); });
    };
    follow(controller_.flash(), flashPreview_);
    follow(controller_.eeprom(), eepromPreview_);
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
    controller_.flash().setPreview({});
    controller_.eeprom().setPreview({});
}

QWidget* MainWindow::buildPanes()
{
    auto* panes = new QWidget(this);
    panes_ = panes;
    auto* column = new QVBoxLayout(panes);
    column->setContentsMargins(0, 0, 0, 0);

    struct Pane {
        int group;
        const char* title;
        int label;
        int box;
        const char* boxText;
        int load;
        int reload;
        int frame;
        int lines;
    };
    const Pane panes2[] = {
        {1111, "Flash", control::FlashLabel, control::FlashInvert, "Inv", cmd::FlashLoad, cmd::FlashReload,
         control::FlashFrame, kFlashPreviewLines},
        {1112, "EEPROM", control::EepromLabel, control::EepromIncrement, "Inc", cmd::EepromLoad, cmd::EepromReload,
         control::EepromFrame, kEepromPreviewLines},
    };
    for (const Pane& pane : panes2) {
        auto* group = new QGroupBox(QString::fromLatin1(pane.title), panes);
        group->setObjectName(id(pane.group));
        auto* layout = new QVBoxLayout(group);
        auto* row = new QHBoxLayout;
        QLabel* label = sunkenLabel(pane.label, group);
        auto* box = new QCheckBox(QString::fromLatin1(pane.boxText), group);
        box->setObjectName(id(pane.box));
        row->addWidget(label, 1);
        row->addWidget(box);
        for (const auto& [command, text] : {std::pair{pane.load, ">>"}, std::pair{pane.reload, "!"}}) {
            auto* button = new QPushButton(QString::fromLatin1(text), group);
            button->setObjectName(id(command));
            button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral(">>")) + 18);
            connect(button, &QPushButton::clicked, this, [this, c = command] { this->command(c); });
            row->addWidget(button);
        }
        layout->addLayout(row);
        const bool isFlash = pane.group == 1111;
        auto* preview = new PreviewView(isFlash ? controller_.flash() : controller_.eeprom(),
                                        QString::fromLatin1(isFlash ? "Preview Flash" : "Preview Eeprom"));
        QFrame* frame = previewFrame(pane.frame, preview, pane.lines, group);
        connect(preview, &PreviewView::edited, this, &MainWindow::render);
        (isFlash ? flashPreview_ : eepromPreview_) = preview;
        layout->addWidget(frame, 1);
        column->addWidget(group, isFlash ? 1 : 0);
        if (isFlash) {
            flashLabel_ = label;
            invert_ = box;
            flashFrame_ = frame;
            connect(box, &QCheckBox::clicked, this,
                    [this](bool on) { submit([this, on] { controller_.window().invertClicked(on); }); });
        } else {
            eepromLabel_ = label;
            increment_ = box;
            eepromFrame_ = frame;
            connect(box, &QCheckBox::clicked, this,
                    [this](bool on) { submit([this, on] { controller_.window().incrementClicked(on); }); });
        }
    }
    return panes;
}

QWidget* MainWindow::buildDeviceColumn()
{
    auto* group = new QGroupBox(QStringLiteral("Device"), this);
    group->setObjectName(QStringLiteral("1079"));
    auto* layout = new QVBoxLayout(group);
    families_ = new QComboBox(group);
    families_->setObjectName(id(control::FamilyList));
    devices_ = new QComboBox(group);
    devices_->setObjectName(id(control::DeviceList));
    devices_->setMaxVisibleItems(20);
    layout->addWidget(families_);
    layout->addWidget(devices_);
    connect(families_, &QComboBox::activated, this,
            [this](int index) { submit([this, index] { controller_.window().familyChosen(index); }); });
    connect(devices_, &QComboBox::activated, this,
            [this](int index) { submit([this, index] { controller_.window().deviceChosen(index); }); });
    for (int command : MainWindowState::buttonIds()) {
        auto* button = new QPushButton(group);
        button->setObjectName(id(command));
        connect(button, &QPushButton::clicked, this, [this, command] { this->command(command); });
        layout->addWidget(button);
        buttons_[command] = button;
    }
    // Wide enough for the longest caption of both languages.
    int widest = 0;
    for (bool russian : {false, true})
        if (const auto texts = dialogTexts(kMainWindowDialog, russian))
            for (const auto& [control, text] : texts->controls)
                widest = std::max(widest, fontMetrics().horizontalAdvance(qt(text)));
    group->setFixedWidth(widest + 48);
    return group;
}

void MainWindow::command(int commandId)
{
    if (commandId == cmd::Exit) {
        close();
        return;
    }
    submit([this, commandId] { controller_.command(commandId); });
}

void MainWindow::submit(std::function<void()> job, std::function<void()> then)
{
    if (closing_)
        return;
    thens_.push_back(std::move(then));
    runner_.post(std::move(job));
    if (!busyLook_.isActive())
        busyLook_.start();
}

void MainWindow::commandFinished()
{
    std::function<void()> then = std::move(thens_.front());
    thens_.pop_front();
    if (!runner_.busy()) {
        busyLook_.stop();
        setBusyLook(false);
        render();
    }
    if (then)
        then();
}

void MainWindow::setBusyLook(bool busy)
{
    // The central widget and the menu bar, not the window: the boxes and
    // dialogs a command opens are its children and must stay usable.
    centralWidget()->setEnabled(!busy);
    menuBar()->setEnabled(!busy);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // While a command runs nothing in this window may start another one.
    if (runner_.busy() && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->window() == this) {
            switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::Wheel:
            case QEvent::Shortcut:
            case QEvent::ShortcutOverride:
                return true;
            default:
                break;
            }
        }
    }
    // The background: the window itself and the frames of its groups.
    const bool background = watched == centralWidget() || watched == panes_ || qobject_cast<QGroupBox*>(watched);
    if (background && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton && !runner_.busy()) {
        submit([this] { controller_.rightDoubleClick(); });
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showStatus(const std::string& text)
{
    status_->setText(qt(text));
}

void MainWindow::render()
{
    MainWindowState& state = controller_.window();
    const bool russian = russianUi();
    if (translatedRussian_ != russian) {
        translateWidget(*this, kMainWindowDialog);
        translatedRussian_ = russian;
    }
    setWindowTitle(qt(state.title()));
    for (auto& [command, button] : buttons_) {
        const ButtonState& look = state.button(command);
        button->setText(qt(look.caption));
        button->setEnabled(look.enabled);
    }
    refill(*families_, state.familyCaptions(), state.familySelection());
    refill(*devices_, state.deviceNames(), state.deviceSelection());
    {
        const QSignalBlocker blocker(sck_);
        sck_->setCurrentIndex(state.sckSelection());
    }
    invert_->setChecked(state.invertChecked());
    increment_->setChecked(state.incrementChecked());
    flashLabel_->setText(qt(controller_.flashLabel()));
    eepromLabel_->setText(qt(controller_.eepromLabel()));
    flashLabel_->setToolTip(flashLabel_->text());
    eepromLabel_->setToolTip(eepromLabel_->text());
    status_->setText(qt(controller_.statusText()));
    rebuildMenu();
    calibration_->setEnabled(state.calibrationEnabled());
    flashPreview_->setSwapPairs(state.invertChecked());
    flashPreview_->refresh();
    eepromPreview_->refresh();
}

void MainWindow::rebuildMenu()
{
    std::vector<MenuColumn> menu = mainMenu(russianUi(), controller_.recentItems());
    if (menu == shownMenu_ && calibration_ != nullptr)
        return;
    QMenuBar* bar = menuBar();
    bar->clear();
    // The menus are the bar's children; clear() only takes them off it.
    delete bar->cornerWidget(Qt::TopRightCorner);
    bar->setCornerWidget(nullptr, Qt::TopRightCorner);
    qDeleteAll(bar->findChildren<QMenu*>(Qt::FindDirectChildrenOnly));
    calibration_ = nullptr;
    QMenuBar* right = nullptr;
    for (const MenuColumn& column : menu) {
        // The Help menu sits at the right where the style allows it.
        if (column.rightAligned && !bar->isNativeMenuBar()) {
            right = new QMenuBar(bar);
        }
        QMenu* drop = (right ? right : bar)->addMenu(qt(column.title));
        for (const MenuEntry& entry : column.entries) {
            if (entry.separator()) {
                drop->addSeparator();
                continue;
            }
            QAction* action = drop->addAction(qt(entry.text));
            action->setObjectName(id(entry.id));
            if (!entry.shortcut.empty())
                action->setShortcut(QKeySequence(qt(entry.shortcut), QKeySequence::PortableText));
            connect(action, &QAction::triggered, this, [this, c = entry.id] { command(c); });
            if (entry.id == cmd::ReadCalibration)
                calibration_ = action;
        }
    }
    if (right) {
        // Set once it holds its menu, so the bar sizes the corner for it.
        bar->setCornerWidget(right, Qt::TopRightCorner);
        right->show();
    }
    shownMenu_ = std::move(menu);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (initialHeight_ == 0) {
        // The width is the layout's own; the height may only grow.
        fitPreviewsToScreen(*this, {flashPreview_, eepromPreview_});
        adjustSize();
        initialHeight_ = height();
        setFixedWidth(width());
        setMinimumHeight(initialHeight_);
    }
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMaximized())
        QTimer::singleShot(0, this, &MainWindow::keepWidthAtTop);
}

void MainWindow::keepWidthAtTop()
{
    // Maximised means as tall as the screen allows, the width kept, centred
    // at the top.
    if (!isMaximized())
        return;
    const QRect available = screen()->availableGeometry();
    setWindowState(windowState() & ~Qt::WindowMaximized);
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    const int left = available.x() + (available.width() - frame.width()) / 2;
    setGeometry(left + client.x() - frame.x(), available.y() + client.y() - frame.y(), client.width(),
                available.height() - (frame.height() - client.height()));
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // A command in progress holds the port and may be writing a chip.
    if (runner_.busy()) {
        event->ignore();
        return;
    }
    closing_ = true;
    controller_.shutDown();
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    event->acceptProposedAction();
    dropUrls(event->mimeData()->urls(), event->position().toPoint());
}

void MainWindow::dropUrls(const QList<QUrl>& urls, QPoint at)
{
    std::vector<std::string> paths;
    for (const QUrl& url : urls)
        paths.push_back(url.isLocalFile() ? url.toLocalFile().toStdString() : url.toString().toStdString());
    auto inside = [this, at](QFrame* frame) { return frame->rect().contains(frame->mapFrom(this, at)); };
    const DropTarget target = inside(flashFrame_)    ? DropTarget::FlashPane
                              : inside(eepromFrame_) ? DropTarget::EepromPane
                                                     : DropTarget::Elsewhere;
    submit([this, paths, target] { controller_.filesDropped(paths, target); });
}

} // namespace quorva::gui

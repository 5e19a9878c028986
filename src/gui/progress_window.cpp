#include "progress_window.h"

#include "gui_thread.h"
#include "progress_animation.h"
#include "translate_widget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <system_error>
#include <thread>

namespace quorva::gui {

namespace {
constexpr int kProgressDialog = 129;
constexpr int kPollMs = 150;
} // namespace

ProgressWindow::ProgressWindow(Operation& op, QWidget* parent)
    : QDialog(parent), op_(op), bar_(new QProgressBar(this)), text_(new QLabel(this)), percent_(new QLabel(this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this))
{
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    bar_->setObjectName(QStringLiteral("1050"));
    text_->setObjectName(QStringLiteral("1051"));
    percent_->setObjectName(QStringLiteral("1052"));
    cancel_->setObjectName(QStringLiteral("2"));
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    percent_->setAlignment(Qt::AlignCenter);
    auto* animation = new ProgressAnimation(this);
    animation->setObjectName(QStringLiteral("1136"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(animation);
    layout->addWidget(bar_);
    layout->addWidget(percent_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel_);
    buttons->addStretch();
    layout->addLayout(buttons);
    setMinimumWidth(320);

    translateWidget(*this, kProgressDialog);
    // The firmware transfer must not be interrupted: no Cancel at all.
    cancel_->setVisible(op_.offersCancel());
    connect(cancel_, &QPushButton::clicked, this, &ProgressWindow::reject);
}

void ProgressWindow::reject()
{
    // Escape, the close box and Cancel: the window stays until run() returns.
    if (op_.offersCancel())
        op_.requestCancel();
}

void ProgressWindow::operationStarted(const std::string& title, const std::string& text)
{
    runOnGuiThread([&] {
        setWindowTitle(QString::fromStdString(title));
        text_->setText(QString::fromStdString(text));
        bar_->setValue(0);
    });
}

void ProgressWindow::operationProgress(int percent, const std::string& percentText)
{
    runOnGuiThread([&] {
        bar_->setValue(percent);
        const QString text = QString::fromStdString(percentText);
        if (percent_->text() != text)
            percent_->setText(text);
    });
}

int ProgressWindow::barValue() const
{
    return bar_->value();
}

QString ProgressWindow::percentText() const
{
    return percent_->text();
}

int ProgressWindow::run(Operation& op, QWidget* parent)
{
    ProgressWindow window(op, parent);
    op.setView(&window);
    std::thread worker;
    try {
        worker = std::thread([&op] { op.execute(); });
    } catch (const std::system_error&) {
        op.setView(nullptr);
        op.failToStart();
        return op.result();
    }
    QTimer poll;
    poll.setInterval(kPollMs);
    QObject::connect(&poll, &QTimer::timeout, &window, [&window, &op] {
        if (op.done())
            window.accept();
    });
    poll.start();
    window.exec();
    poll.stop();
    worker.join();
    op.setView(nullptr);
    return op.result();
}

} // namespace quorva::gui

#include "modal_answerer.h"

#include "gui/progress_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QVariant>

namespace quorva::test {

ModalAnswerer::ModalAnswerer()
{
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] { look(); });
    timer_.start();
}

void ModalAnswerer::next(std::function<void(QWidget&)> action)
{
    actions_.push_back(std::move(action));
}

void ModalAnswerer::onProgress(std::function<void(QWidget&)> action)
{
    progress_ = std::move(action);
}

void ModalAnswerer::look()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible())
        return;
    if (qobject_cast<gui::ProgressWindow*>(modal)) {
        if (progress_)
            std::exchange(progress_, {})(*modal);
        return;
    }
    if (modal->property("answered").toBool())
        return; // handled already; it is closing
    modal->setProperty("answered", true);
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box)
        boxTexts << box->text();
    if (!actions_.empty()) {
        auto action = std::move(actions_.front());
        actions_.pop_front();
        action(*modal);
    } else if (box) {
        QAbstractButton* button = box->defaultButton();
        if (button == nullptr)
            button = box->buttons().front();
        button->click();
    }
}

void pressBoxButton(QWidget& box, QMessageBox::StandardButton button)
{
    static_cast<QMessageBox&>(box).button(button)->click();
}

} // namespace quorva::test

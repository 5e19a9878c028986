#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>

class QWidget;

namespace quorva::test {

// Stands in for the person in front of the window: whenever a modal window
// (a box, a dialog, the progress window) is open, the next scripted action
// runs on it; a message box without one is answered with its default button.
// Every box's text is recorded.
class ModalAnswerer {
public:
    ModalAnswerer();

    // Runs on the next modal window that is not a progress window.
    void next(std::function<void(QWidget&)> action);
    // Runs once on the next progress window.
    void onProgress(std::function<void(QWidget&)> action);

    QStringList boxTexts;

private:
    void look();

    QTimer timer_;
    std::deque<std::function<void(QWidget&)>> actions_;
    std::function<void(QWidget&)> progress_;
};

// Presses one of a message box's buttons.
void pressBoxButton(QWidget& box, QMessageBox::StandardButton button);

} // namespace quorva::test

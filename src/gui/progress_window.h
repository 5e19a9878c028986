#pragma once

#include "base/operation.h"

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

namespace quorva::gui {

// The modal window of a long operation: its title, the operation's text, a
// bar of 0..100 with its percentage text, the animation and Cancel. Cancel and
// Escape only ask the operation to stop; the window closes when it returns.
class ProgressWindow : public QDialog, public OperationView {
    Q_OBJECT
public:
    ProgressWindow(Operation& op, QWidget* parent);

    // Runs op on a worker thread while the window is shown; returns its
    // result. GUI thread only.
    static int run(Operation& op, QWidget* parent);

    // --- OperationView: from the worker thread ---
    void operationStarted(const std::string& title, const std::string& text) override;
    void operationProgress(int percent, const std::string& percentText) override;

    int barValue() const;
    QString percentText() const;

public slots:
    void reject() override;

private:
    Operation& op_;
    QProgressBar* bar_;
    QLabel* text_;
    QLabel* percent_;
    QPushButton* cancel_;
};

} // namespace quorva::gui

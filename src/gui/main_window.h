#pragma once

#include "shell/main_menu.h"

#include <QList>
#include <QMainWindow>
#include <QPoint>
#include <QTimer>
#include <QUrl>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace quorva {

class AppController;

namespace gui {

class CommandRunner;
class PreviewView;

// The main window: it renders the controller's state after every command and
// forwards every click, choice, drop and key to the controller, whose
// commands run on the command thread. While one runs, the window takes no
// input; after a moment it shows itself disabled.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(AppController& controller, CommandRunner& runner);
    ~MainWindow() override;

    // Brings every control, the title and the menu up to the controller's state.
    void render();
    void showStatus(const std::string& text);
    // Queues a job for the command thread; then runs on the GUI thread once it is done.
    void submit(std::function<void()> job, std::function<void()> then = {});
    // The controller's command by id, as a click on its button or menu item.
    void command(int id);

    // Files dropped at a point of the window.
    void dropUrls(const QList<QUrl>& urls, QPoint at);

    // The preview frames, for the views that cover them.
    QFrame* flashFrame() const { return flashFrame_; }
    QFrame* eepromFrame() const { return eepromFrame_; }
    PreviewView* flashPreview() const { return flashPreview_; }
    PreviewView* eepromPreview() const { return eepromPreview_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildPanes();
    QWidget* buildDeviceColumn();
    void rebuildMenu();
    void setBusyLook(bool busy);
    void commandFinished();
    void keepWidthAtTop();

    AppController& controller_;
    CommandRunner& runner_;
    std::deque<std::function<void()>> thens_;
    QTimer busyLook_;

    QWidget* panes_ = nullptr;
    QLabel* flashLabel_ = nullptr;
    QLabel* eepromLabel_ = nullptr;
    QCheckBox* invert_ = nullptr;
    QCheckBox* increment_ = nullptr;
    QFrame* flashFrame_ = nullptr;
    QFrame* eepromFrame_ = nullptr;
    PreviewView* flashPreview_ = nullptr;
    PreviewView* eepromPreview_ = nullptr;
    QLabel* status_ = nullptr;
    QComboBox* sck_ = nullptr;
    QComboBox* families_ = nullptr;
    QComboBox* devices_ = nullptr;
    std::map<int, QPushButton*> buttons_;
    QAction* calibration_ = nullptr;

    std::vector<MenuColumn> shownMenu_;
    std::optional<bool> translatedRussian_; // the language the controls show; none before the first render
    bool closing_ = false;
    int initialHeight_ = 0;
};

} // namespace gui
} // namespace quorva

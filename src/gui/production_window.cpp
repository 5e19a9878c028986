#include "production_window.h"

#include "base/messages.h"
#include "base/ui.h"
#include "records/record_output.h"
#include "shell/production_station_model.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>
#include <map>

namespace quorva::gui {

namespace {

namespace ids = production_id;

QString text(int messageId)
{
    return QString::fromUtf8(messageText(messageId));
}

// The word and the colour of a state: readable from a metre away, and not
// by colour alone.
struct StateLook {
    int word;
    const char* background;
};

StateLook lookOf(TileState state)
{
    switch (state) {
    case TileState::Waiting:
        return {2387, "#d9d9d9"};
    case TileState::Running:
        return {2392, "#f2b233"};
    case TileState::Pass:
        return {2388, "#2e9e44"};
    case TileState::Fail:
        return {2389, "#c62828"};
    case TileState::Cancelled:
        return {2390, "#f2b233"};
    case TileState::NotAnswering:
        return {2391, "#c62828"};
    }
    return {2387, "#d9d9d9"};
}

// One box: COM number and device path, its state in large words on its
// colour, the running step with its progress, the result, its own Start.
class Tile final : public QFrame {
public:
    Tile(int comPort, ProductionStationModel& station, QWidget* parent) : QFrame(parent)
    {
        setObjectName(QStringLiteral("tile%1").arg(comPort));
        setFrameShape(QFrame::Box);
        setMinimumWidth(320);
        auto* layout = new QVBoxLayout(this);
        title_ = new QLabel(this);
        state_ = new QLabel(this);
        state_->setObjectName(QString::fromLatin1(ids::TileState));
        state_->setAlignment(Qt::AlignCenter);
        state_->setMinimumHeight(72);
        QFont big = state_->font();
        big.setPointSize(22);
        big.setBold(true);
        state_->setFont(big);
        step_ = new QLabel(this);
        step_->setWordWrap(true);
        progress_ = new QProgressBar(this);
        progress_->setRange(0, 100);
        result_ = new QLabel(this);
        result_->setWordWrap(true);
        start_ = new QPushButton(text(2385), this);
        start_->setObjectName(QString::fromLatin1(ids::TileStart));
        start_->setFocusPolicy(Qt::NoFocus);
        QObject::connect(start_, &QPushButton::clicked, this, [&station, comPort] { station.start(comPort); });
        layout->addWidget(title_);
        layout->addWidget(state_);
        layout->addWidget(step_);
        layout->addWidget(progress_);
        layout->addWidget(result_);
        layout->addWidget(start_);
    }

    void render(const StationTile& tile, bool mayStart)
    {
        title_->setText(QStringLiteral("COM%1  %2").arg(tile.comPort).arg(QString::fromStdString(tile.devicePath)));
        const StateLook look = lookOf(tile.state);
        state_->setText(text(look.word));
        const bool dark =
            tile.state == TileState::Pass || tile.state == TileState::Fail || tile.state == TileState::NotAnswering;
        state_->setStyleSheet(QStringLiteral("background:%1;color:%2;border-radius:6px;")
                                  .arg(QString::fromLatin1(look.background), dark ? "white" : "black"));
        const bool running = tile.state == TileState::Running;
        step_->setText(running ? QString::fromStdString(tile.step) : QString());
        progress_->setVisible(running);
        progress_->setValue(std::max(tile.percent, 0));
        result_->setText(QString::fromStdString(tile.result));
        start_->setEnabled(mayStart && !running);
    }

private:
    QLabel* title_;
    QLabel* state_;
    QLabel* step_;
    QProgressBar* progress_;
    QLabel* result_;
    QPushButton* start_;
};

class ProductionWindow final : public QDialog {
public:
    ProductionWindow(QWidget* parent, Ui& ui, ProductionStationModel& station, const char* projectName)
        : QDialog(parent), ui_(ui), station_(station)
    {
        setWindowTitle(QString::fromStdString(formatMessage(2381, projectName)));
        build();
        // Workers only mark the window stale; it renders on its own timer,
        // so a fast run costs the GUI thread a few renders a second.
        station_.onChanged([this] { stale_ = true; });
        connect(&timer_, &QTimer::timeout, this, [this] {
            if (stale_.exchange(false))
                render();
        });
        timer_.start(100);
        render();
    }

    ~ProductionWindow() override { station_.onChanged({}); }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        switch (event->key()) {
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            station_.startAll();
            return;
        case Qt::Key_Escape:
            // Escape stops the chips; only an idle station closes on it.
            if (station_.running())
                station_.stop();
            else
                reject();
            return;
        default:
            QDialog::keyPressEvent(event);
        }
    }

    void reject() override
    {
        if (!mayClose())
            return;
        QDialog::reject();
    }

    void closeEvent(QCloseEvent* event) override
    {
        if (mayClose())
            event->accept();
        else
            event->ignore();
    }

private:
    bool mayClose()
    {
        if (!station_.running())
            return true;
        if (ui_.ask(Buttons::YesNo, BoxIcon::Question, 2, windowTitle().toStdString(), messageText(2430)) !=
            Answer::Yes)
            return false;
        station_.stop();
        station_.waitIdle();
        return true;
    }

    void build()
    {
        auto* layout = new QHBoxLayout(this);
        auto* side = new QVBoxLayout;
        auto* boxesGroup = new QGroupBox(text(2382), this);
        auto* boxesLayout = new QVBoxLayout(boxesGroup);
        boxes_ = new QListWidget(boxesGroup);
        boxes_->setObjectName(QString::fromLatin1(ids::Boxes));
        boxes_->setFocusPolicy(Qt::NoFocus);
        connect(boxes_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
            if (!filling_)
                station_.setTicked(item->data(Qt::UserRole).toInt(), item->checkState() == Qt::Checked);
        });
        auto* search = new QPushButton(text(2383), boxesGroup);
        search->setObjectName(QString::fromLatin1(ids::Search));
        search->setFocusPolicy(Qt::NoFocus);
        connect(search, &QPushButton::clicked, this, [this] { station_.search(); });
        boxesLayout->addWidget(boxes_);
        boxesLayout->addWidget(search);
        side->addWidget(boxesGroup);

        auto* repeat = new QCheckBox(text(2384), this);
        repeat->setObjectName(QString::fromLatin1(ids::Repeat));
        repeat->setToolTip(text(2437));
        repeat->setFocusPolicy(Qt::NoFocus);
        repeat->setChecked(station_.repeat());
        connect(repeat, &QCheckBox::toggled, this, [this](bool on) { station_.setRepeat(on); });
        side->addWidget(repeat);
        start_ = new QPushButton(text(2385), this);
        start_->setObjectName(QString::fromLatin1(ids::Start));
        start_->setToolTip(text(2435));
        start_->setMinimumHeight(48);
        start_->setFocusPolicy(Qt::NoFocus);
        connect(start_, &QPushButton::clicked, this, [this] { station_.startAll(); });
        stop_ = new QPushButton(text(2386), this);
        stop_->setObjectName(QString::fromLatin1(ids::Stop));
        stop_->setToolTip(text(2436));
        stop_->setMinimumHeight(48);
        stop_->setFocusPolicy(Qt::NoFocus);
        connect(stop_, &QPushButton::clicked, this, [this] { station_.stop(); });
        side->addWidget(start_);
        side->addWidget(stop_);
        counters_ = new QLabel(this);
        counters_->setObjectName(QString::fromLatin1(ids::Counters));
        nextSerial_ = new QLabel(this);
        nextSerial_->setObjectName(QString::fromLatin1(ids::NextSerial));
        side->addWidget(counters_);
        side->addWidget(nextSerial_);
        side->addStretch();

        auto* main = new QVBoxLayout;
        tiles_ = new QGridLayout;
        main->addLayout(tiles_, 1);
        main->addWidget(new QLabel(text(2399), this));
        records_ = new QTableWidget(this);
        records_->setObjectName(QString::fromLatin1(ids::Records));
        records_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        records_->setFocusPolicy(Qt::NoFocus);
        records_->verticalHeader()->hide();
        records_->horizontalHeader()->setStretchLastSection(true);
        records_->setMinimumHeight(150);
        main->addWidget(records_);
        layout->addLayout(side);
        layout->addLayout(main, 1);
        setFocusPolicy(Qt::StrongFocus);
        resize(1000, 640);
    }

    void render()
    {
        const std::vector<StationTile> tiles = station_.tiles();
        const bool running = station_.running();
        filling_ = true;
        if (boxes_->count() != static_cast<int>(tiles.size())) {
            boxes_->clear();
            for (const StationTile& tile : tiles) {
                auto* item = new QListWidgetItem(
                    QStringLiteral("COM%1  %2").arg(tile.comPort).arg(QString::fromStdString(tile.devicePath)), boxes_);
                item->setData(Qt::UserRole, tile.comPort);
                item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            }
        }
        int row = 0;
        int shown = 0;
        for (const StationTile& tile : tiles) {
            boxes_->item(row++)->setCheckState(tile.ticked ? Qt::Checked : Qt::Unchecked);
            Tile*& widget = tileWidgets_[tile.comPort];
            if (!tile.ticked) {
                if (widget)
                    widget->hide();
                continue;
            }
            if (!widget)
                widget = new Tile(tile.comPort, station_, this);
            tiles_->addWidget(widget, shown / 2, shown % 2);
            widget->show();
            widget->render(tile, station_.repeat() || !running);
            ++shown;
        }
        filling_ = false;
        boxes_->setEnabled(!running);
        stop_->setEnabled(running);

        const StationCounters counted = station_.counters();
        counters_->setText(QString::fromStdString(
            formatMessage(2393, counted.good) + "\n" + formatMessage(2394, counted.failed) + "\n" +
            formatMessage(2395, counted.yield() * 100.0) + "\n" + formatMessage(2396, counted.chipsPerHour)));
        // The records and the sequence are read only when a chip has ended.
        const int chips = counted.good + counted.failed + counted.cancelled;
        if (chips != recordsShownFor_) {
            recordsShownFor_ = chips;
            const std::optional<std::uint32_t> next = station_.nextSerial();
            nextSerial_->setText(next ? QString::fromStdString(formatMessage(2397, static_cast<unsigned>(*next)))
                                      : text(2398));
            showRecords();
        }
    }

    void showRecords()
    {
        records_->clear();
        if (!station_.recordsOn()) {
            records_->setColumnCount(1);
            records_->setRowCount(0);
            records_->setHorizontalHeaderLabels({text(2434)});
            return;
        }
        const std::vector<std::string> titles = recordColumnTitles();
        QStringList header;
        for (const std::string& title : titles)
            header << QString::fromStdString(title);
        records_->setColumnCount(static_cast<int>(header.size()));
        records_->setHorizontalHeaderLabels(header);
        const std::vector<ChipRecord> rows = station_.lastRecords();
        records_->setRowCount(static_cast<int>(rows.size()));
        for (std::size_t r = 0; r < rows.size(); ++r) {
            int column = 0;
            for (const std::string& cell : recordCells(rows[r]))
                records_->setItem(static_cast<int>(r), column++, new QTableWidgetItem(QString::fromStdString(cell)));
        }
        records_->resizeColumnsToContents();
    }

    Ui& ui_;
    ProductionStationModel& station_;
    QTimer timer_;
    std::atomic<bool> stale_{false};
    bool filling_ = false;
    int recordsShownFor_ = -1;
    QListWidget* boxes_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
    QLabel* counters_ = nullptr;
    QLabel* nextSerial_ = nullptr;
    QGridLayout* tiles_ = nullptr;
    QTableWidget* records_ = nullptr;
    std::map<int, Tile*> tileWidgets_;
};

} // namespace

void execProductionWindow(QWidget* parent, Ui& ui, ProductionStationModel& station, const char* projectName)
{
    ProductionWindow window(parent, ui, station, projectName);
    window.exec();
}

} // namespace quorva::gui

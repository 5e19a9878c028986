#include "production_records_dialog.h"

#include "base/messages.h"
#include "records/record_output.h"
#include "shell/production_records_model.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace quorva::gui {

namespace {

namespace ids = production_records_id;

QString text(int messageId)
{
    return QString::fromUtf8(messageText(messageId));
}

QLineEdit* filterField(const char* name, const QString& placeholder, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setPlaceholderText(placeholder);
    return field;
}

void fillTable(QTableWidget& table, const ProductionRecordsModel& model)
{
    const std::vector<std::string> titles = recordColumnTitles();
    table.clear();
    table.setColumnCount(static_cast<int>(titles.size()));
    QStringList header;
    for (const std::string& title : titles)
        header << QString::fromStdString(title);
    table.setHorizontalHeaderLabels(header);
    table.setRowCount(static_cast<int>(model.rows().size()));
    int row = 0;
    for (const ChipRecord& record : model.rows()) {
        int column = 0;
        for (const std::string& cell : recordCells(record)) {
            auto* item = new QTableWidgetItem(QString::fromStdString(cell));
            // A chip that did not end well stands out, in words and in colour.
            if (record.outcome != Outcome::Ok)
                item->setForeground(QColor(0xB0, 0x00, 0x20));
            table.setItem(row, column++, item);
        }
        ++row;
    }
    table.resizeColumnsToContents();
}

} // namespace

void execProductionRecordsDialog(QWidget* parent, ProductionRecordsModel& model)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(text(2364));
    auto* layout = new QVBoxLayout(&dialog);

    auto* filters = new QHBoxLayout;
    auto* left = new QFormLayout;
    auto* right = new QFormLayout;
    const QString timeHint = QStringLiteral("2026-12-09 10:00");
    auto* since = filterField(ids::Since, timeHint, &dialog);
    auto* until = filterField(ids::Until, timeHint, &dialog);
    auto* serial = filterField(ids::Serial, {}, &dialog);
    auto* device = filterField(ids::Device, {}, &dialog);
    auto* station = filterField(ids::Station, {}, &dialog);
    auto* failedOnly = new QCheckBox(text(2370), &dialog);
    failedOnly->setObjectName(QString::fromLatin1(ids::FailedOnly));
    left->addRow(text(2365), since);
    left->addRow(text(2366), until);
    left->addRow(text(2367), serial);
    right->addRow(text(2368), device);
    right->addRow(text(2369), station);
    right->addRow(QString(), failedOnly);
    auto* show = new QPushButton(text(2371), &dialog);
    show->setObjectName(QString::fromLatin1(ids::Show));
    show->setDefault(true);
    filters->addLayout(left);
    filters->addLayout(right);
    filters->addWidget(show, 0, Qt::AlignBottom);
    layout->addLayout(filters);

    auto* table = new QTableWidget(&dialog);
    table->setObjectName(QString::fromLatin1(ids::Table));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table, 1);
    auto* summary = new QLabel(&dialog);
    summary->setObjectName(QString::fromLatin1(ids::Summary));
    layout->addWidget(summary);

    auto* buttons = new QDialogButtonBox(&dialog);
    auto* exportCsv = buttons->addButton(text(2372), QDialogButtonBox::ActionRole);
    exportCsv->setObjectName(QString::fromLatin1(ids::ExportCsv));
    buttons->addButton(text(2373), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(exportCsv, &QPushButton::clicked, &dialog, [&model] { model.exportCsv(); });
    layout->addWidget(buttons);

    const auto refresh = [&] {
        model.filters = {since->text().trimmed().toStdString(),   until->text().trimmed().toStdString(),
                         serial->text().trimmed().toStdString(),  device->text().trimmed().toStdString(),
                         station->text().trimmed().toStdString(), failedOnly->isChecked()};
        if (!model.refresh())
            return;
        fillTable(*table, model);
        summary->setText(QString::fromStdString(model.summaryLine()));
        exportCsv->setEnabled(!model.rows().empty());
    };
    QObject::connect(show, &QPushButton::clicked, &dialog, refresh);
    refresh();
    dialog.resize(900, 520);
    dialog.exec();
}

} // namespace quorva::gui

// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor_table.h"

#include "mode6_result.h"

#include <QHeaderView>

namespace diag {

MonitorTable::MonitorTable(const QString& objectName, QWidget* parent)
    : QTableWidget(0, 6, parent) {
    setObjectName(objectName);
    setHorizontalHeaderLabels({QStringLiteral("Monitor"), QStringLiteral("Test"),
                               QStringLiteral("Value"), QStringLiteral("Minimum"),
                               QStringLiteral("Maximum"), QStringLiteral("Result")});
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch); // the test's name
}

void MonitorTable::showReadings(const std::vector<MonitorReading>& readings) {
    setRowCount(0);
    const auto add = [this](const QStringList& cells, bool failed) {
        const int row = rowCount();
        insertRow(row);
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (failed)
                item->setForeground(verdictColour(false));
            setItem(row, column, item);
        }
    };
    for (const MonitorReading& reading : readings) {
        if (!reading.noAnswer.isEmpty())
            add({monitorName(reading.monitor), {}, reading.noAnswer}, false);
        for (const MonitorResult& result : reading.results)
            add({monitorName(result.monitor), testName(result.test), result.value, result.minimum,
                 result.maximum, verdictText(result.pass)},
                !result.pass);
    }
}

} // namespace diag

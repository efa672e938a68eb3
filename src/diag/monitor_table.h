// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor_results.h"

#include <QTableWidget>

namespace diag {

// The results of on-board monitors in their CAN form: a row a test with its verdict, FAIL in red,
// and a row for each monitor that gave none saying why.
class MonitorTable : public QTableWidget {
    Q_OBJECT
public:
    explicit MonitorTable(const QString& objectName, QWidget* parent = nullptr);

    void showReadings(const std::vector<MonitorReading>& readings);
};

} // namespace diag

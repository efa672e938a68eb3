// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <vector>

namespace app {

// While the watched text box has the focus, no control of its window is a tab stop, so the Tab
// key types into the text; the tab stops come back when the focus leaves.
class TabStopGuard : public QObject {
    Q_OBJECT
public:
    explicit TabStopGuard(QWidget* textBox);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void clearTabStops();
    void restoreTabStops();

    QWidget* textBox_;
    std::vector<std::pair<QPointer<QWidget>, Qt::FocusPolicy>> saved_;
};

} // namespace app

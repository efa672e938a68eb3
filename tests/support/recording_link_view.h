// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/link_view.h"

#include <QStringList>

// Keeps what the link showed: the status box and the status text window.
struct RecordingLinkView : scan::LinkView {
    void setLinkColour(scan::LinkColour c) override { colour = c; }
    void setLinkText(const QString& text) override { boxText = text; }
    void setStatusText(const QString& text) override { statusText = text; }
    void appendStatusText(const QString& text) override { statusText += text; }

    scan::LinkColour colour = scan::LinkColour::Red;
    QString boxText;
    QString statusText;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>

namespace scan {

// The status box colours: the link indicator.
enum class LinkColour { Red, Yellow, Green };

inline QColor toColor(LinkColour colour) {
    switch (colour) {
    case LinkColour::Yellow:
        return {255, 255, 0};
    case LinkColour::Green:
        return {0, 255, 0};
    case LinkColour::Red:
        break;
    }
    return {255, 0, 0};
}

// What the link shows the user: the status box and the status text window.
class LinkView {
public:
    virtual ~LinkView() = default;
    virtual void setLinkColour(LinkColour colour) = 0;
    virtual void setLinkText(const QString& text) = 0;
    // The vehicle is out of reach: the status box says so in `text` ("ECU Off-Line", "Waiting
    // for ECU"), and whatever values are on show came from before.
    virtual void showOutOfReach(const QString& text) { setLinkText(text); }
    // Replaces the status text window's text ("\r\n" line breaks).
    virtual void setStatusText(const QString& text) = 0;
    virtual void appendStatusText(const QString& text) = 0;
};

} // namespace scan

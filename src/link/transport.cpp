// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport.h"

namespace scan {

ReadyState readyMarkerIn(QByteArrayView chunk) {
    if (chunk.contains('S'))
        return ReadyState::Vehicle;
    return chunk.contains('P') ? ReadyState::NoVehicle : ReadyState::NotYet;
}

} // namespace scan

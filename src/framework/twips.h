#pragma once

#include <QRect>
#include <QSize>
#include <QtGlobal>

namespace kesterly {

// Window layouts are measured in twips: 1440 to the inch, so 15 to a device-independent
// pixel at 96 dpi.
constexpr int twips(int value) {
    return value >= 0 ? (value + 7) / 15 : -((-value + 7) / 15);
}

constexpr QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

constexpr QSize twipsSize(int width, int height) {
    return QSize(twips(width), twips(height));
}

} // namespace kesterly

#pragma once

#include <QStringList>

namespace kesterly {

// Where the program looks for one of its plugins ("kesterly_charts.so"): beside itself (the
// build folder), then in its installed plugin folder, in that order.
QStringList pluginFiles(const QString& fileName);

} // namespace kesterly

#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

namespace kesterly {

// Where the program looks for one of its plugins ("kesterly_charts.so"): beside itself (the
// build folder), then in its installed plugin folder, in that order.
QStringList pluginFiles(const QString& fileName);

// The instance of the first of the files that is there, loads and `offers` what is asked
// of it, `beforeLoading` having run just before each load; nullptr when none does. A file
// that is there but does not serve is reported on the terminal, naming `what` it is ("the
// chart viewer").
QObject* loadPlugin(const QStringList& files, const char* what,
                    const std::function<bool(QObject*)>& offers,
                    const std::function<void()>& beforeLoading);

// The same for a plugin that offers `Provider`.
template <class Provider>
Provider* loadProvider(const QStringList& files, const char* what,
                       const std::function<void()>& beforeLoading = {}) {
    return qobject_cast<Provider*>(loadPlugin(
        files, what, [](QObject* instance) { return qobject_cast<Provider*>(instance); },
        beforeLoading));
}

} // namespace kesterly

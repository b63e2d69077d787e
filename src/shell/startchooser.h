#pragma once

#include "framework/childwindow.h"

namespace kesterly {

// Offered at start-up: create an account or open one.
class StartChooser : public ChildWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form13";
    explicit StartChooser(Windows& windows);
    std::optional<QPoint> designPosition() const override { return QPoint(0, 0); }
};

} // namespace kesterly

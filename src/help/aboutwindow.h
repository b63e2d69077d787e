#pragma once

#include "framework/childwindow.h"

namespace kesterly {

// The maker's credits, a picture and a feedback note.
class AboutWindow : public ChildWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form17";
    explicit AboutWindow(Windows& windows);
};

} // namespace kesterly

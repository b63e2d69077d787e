#pragma once

#include "framework/childwindow.h"

namespace kesterly {

// The launcher shown after an account is opened: ten buttons, each opening one window.
class ContentsWindow : public ChildWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form2";
    explicit ContentsWindow(Windows& windows);
};

} // namespace kesterly

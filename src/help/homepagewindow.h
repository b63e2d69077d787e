#pragma once

#include "framework/childwindow.h"

namespace kesterly {

class WebView;

// The maker's home page in a page view that fills the window.
class HomePageWindow : public ChildWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form18";
    explicit HomePageWindow(Windows& windows);

    // The page is loaded once, when the window opens; bringing it to the front later
    // keeps the page the user has reached.
    void load() override;

private:
    WebView* browser_;
};

} // namespace kesterly

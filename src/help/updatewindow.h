#pragma once

#include "framework/childwindow.h"

class QLabel;

namespace kesterly {

class WebView;

// Checks for an update by showing the picture the maker puts on the web for the latest
// version, and links to the maker's home page.
class UpdateWindow : public ChildWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form7";
    explicit UpdateWindow(Windows& windows);

    // Click on "Check For Update".
    void checkForUpdate();
    // Click on the link to the home page.
    void openHomePage();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WebView* browser_;
    QLabel* link_;
};

} // namespace kesterly

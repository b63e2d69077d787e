#pragma once

#include "framework/childwindow.h"

class QLineEdit;
class QPushButton;

namespace kesterly {

class PathLabel;

// Creates an account folder from a name and an opening balance; does not open it.
class NewAccountWindow : public ChildWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form10";
    explicit NewAccountWindow(Windows& windows);

    std::optional<QPoint> designPosition() const override { return QPoint(0, 0); }
    // Click on "Enter".
    void createAccount();

private:
    QLineEdit* balanceBox_;
    QPushButton* enterButton_;
    QLineEdit* nameBox_;
    PathLabel* folderLabel_;
    PathLabel* remindersLabel_;
};

} // namespace kesterly

#pragma once

#include "framework/childwindow.h"

class QLabel;
class QPushButton;

namespace kesterly {

class DirectoryList;
class PathLabel;
class DriveList;

// Makes a chosen folder the current account.
class OpenAccountWindow : public ChildWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form12";
    explicit OpenAccountWindow(Windows& windows);

    std::optional<QPoint> designPosition() const override { return QPoint(0, 0); }
    // The folder the directory list has open.
    QString chosenFolder() const;
    // Click on "Ok".
    void openAccount();
    // Brought to the front: the folder list shows the folders as they are now (an account
    // made meanwhile is there).
    void activated() override;

private:
    void driveChanged();
    void showChosenFolder();

    DriveList* driveList_;
    DirectoryList* folderList_;
    PathLabel* chosenLabel_;
    QPushButton* okButton_;
};

} // namespace kesterly

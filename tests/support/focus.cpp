#include "support/focus.h"

#include "framework/childwindow.h"
#include "framework/windows.h"
#include "shell/mainwindow.h"

#include <QApplication>
#include <QTest>

namespace kesterly::test {

QStringList focusOrder(Windows& windows, ChildWindow& window, int count) {
    windows.mainWindow().show();
    if (!QTest::qWaitForWindowActive(&windows.mainWindow()))
        return {"<main window not active>"};
    windows.bringToFront(&window);
    QStringList names;
    for (int i = 0; i < count; ++i) {
        QWidget* focus = QApplication::focusWidget();
        // A focused inner part (a list's viewport) stands for its named control.
        while (focus && focus->objectName().isEmpty())
            focus = focus->parentWidget();
        names << (focus ? focus->objectName() : QStringLiteral("<none>"));
        if (!focus)
            break;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return names;
}

} // namespace kesterly::test

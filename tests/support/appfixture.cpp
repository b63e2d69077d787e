#include "support/appfixture.h"

#include "framework/focusmarks.h"
#include "framework/fonts.h"
#include "shell/mainwindow.h"

#include <QApplication>
#include <QDir>

namespace kesterly::test {

AppFixture::AppFixture() : clock(QDateTime(QDate(2026, 12, 9), QTime(23, 21, 50, 100))) {
    QApplication::setFont(fonts::controls());
    installFocusMarks();
    windows = std::make_unique<Windows>(
        Windows::Services{messages, clock, QDir::toNativeSeparators(dir_.path() + QLatin1Char('/')),
                          &MainWindow::make});
}

AppFixture::~AppFixture() {
    // Discard the windows without running their close steps a second time.
    windows.reset();
}

QString AppFixture::root() const {
    return QDir::toNativeSeparators(dir_.path() + QLatin1Char('/'));
}

QString AppFixture::path(const QString& relative) const {
    return root() + relative;
}

} // namespace kesterly::test

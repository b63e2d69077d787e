#include "help/aboutwindow.h"

#include "framework/fonts.h"
#include "framework/picturelabel.h"
#include "framework/textfit.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace kesterly {

namespace {
const QString kDeveloper = QStringLiteral("Ivo Velquist");
const QString kContactAddress = QStringLiteral("ivo@velquist.example");
} // namespace

AboutWindow::AboutWindow(Windows& windows)
    : ChildWindow(windows, kName, QString(104, QLatin1Char(' ')) + QStringLiteral("About"), 10560,
                  7824, Frame::Fixed) {
    // The classic dialog face is the window's own, for the controls without one.
    setFont(fonts::sansSerif(8.25));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    // The picture lies under the heading that overlaps its top edge.
    auto* picture = place<PictureLabel>("Image1", 0, 360, 10800, 6000);
    picture->setPicture(QStringLiteral(":/pictures/about.jpg"));
    // What the picture says, for those who hear the window rather than see it.
    picture->setAccessibleName(
        QStringLiteral("Kesterly, your personal accounts book, version 1.0, made by Velquist"));

    auto* heading = place<QLabel>("Label1", 120, 240, 1332, 492);
    heading->setText(QStringLiteral("Created By :"));
    heading->setFont(fonts::display(18));
    heading->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    fitToWidth(heading);

    auto* developer = place<QLabel>("Label2", 360, 6480, 1932, 252);
    developer->setText(QStringLiteral("Developer : ") + kDeveloper);
    fitToWidth(developer);
    auto* contact = place<QLabel>("Label3", 240, 6840, 3372, 252);
    contact->setText(QString(3, QLatin1Char(' ')) + QStringLiteral("E-Mail") +
                     QString(10, QLatin1Char(' ')) + QStringLiteral(": ") + kContactAddress);
    // The address can be selected and copied into a mail program.
    contact->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Selecting text would give the label the focus, and the window would open on it
    // rather than on "Close": the labels take no focus.
    contact->setFocusPolicy(Qt::NoFocus);
    fitToWidth(contact);

    auto* feedback = place<QGroupBox>("Frame1", 7920, 6600, 2412, 972);
    feedback->setTitle(QStringLiteral("Feedback"));
    auto* note = new QLabel(QStringLiteral("Your feedback is always welcome"), feedback);
    note->setObjectName(QStringLiteral("Label4"));
    note->setGeometry(twipsRect(120, 240, 2172, 492));
    note->setWordWrap(true);

    auto* close = place<QPushButton>("Command1", 3600, 6960, 1932, 492);
    close->setText(QStringLiteral("Close"));
    setFocusProxy(close);
    connect(close, &QPushButton::clicked, this, [this] { closeWindow(); });
}

} // namespace kesterly

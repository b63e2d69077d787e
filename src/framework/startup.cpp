#include "framework/startup.h"

#include <QByteArray>
#include <QtGlobal>

#ifdef KESTERLY_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace kesterly {

void prepareDisplayConnection() {
    // On X11, Qt hands a window's new pixels to the server through shared memory, and
    // before it paints again into an area the server may not have read yet it waits for
    // the server's answer. The clock repaints the same area every second, so each tick
    // was a round trip that woke the connection's reader thread and the window's thread
    // three times where the tick needs one. Sent over the connection itself, the pixels
    // need no answer; the areas the program repaints are small, and a whole window of it
    // takes a few milliseconds to send. Other platforms do not read the setting.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", QByteArrayLiteral("1"));
}

FontCatalogueAhead::FontCatalogueAhead() {
#ifdef KESTERLY_HAVE_FONTCONFIG
    // fontconfig sets up its one shared configuration safely from any thread; Qt's font
    // database, filled on the window's thread at the first text, then finds it read and
    // only lists the fonts.
    reader_ = std::thread([] { FcInit(); });
#endif
}

FontCatalogueAhead::~FontCatalogueAhead() {
    wait();
}

void FontCatalogueAhead::wait() {
    if (reader_.joinable())
        reader_.join();
}

} // namespace kesterly

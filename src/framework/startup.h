#pragma once

#include <thread>

namespace kesterly {

// Settings of the connection to the display that must be made before the application
// object opens it.
void prepareDisplayConnection();

// Reads the system's font catalogue (fontconfig's configuration and caches) on a thread
// of its own while the application object connects to the display, so that the first
// window's first text does not wait for it after the window is shown. wait() returns
// once it has been read; the object also waits for it when it goes. Built without
// fontconfig, it does nothing.
class FontCatalogueAhead {
public:
    FontCatalogueAhead();
    ~FontCatalogueAhead();
    FontCatalogueAhead(const FontCatalogueAhead&) = delete;
    FontCatalogueAhead& operator=(const FontCatalogueAhead&) = delete;
    void wait();

private:
    std::thread reader_;
};

} // namespace kesterly

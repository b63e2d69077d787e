#pragma once

namespace kesterly {

// Settings of the connection to the display that must be made before the application
// object opens it.
void prepareDisplayConnection();

} // namespace kesterly

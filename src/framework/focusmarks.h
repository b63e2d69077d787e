#pragma once

namespace kesterly {

// Every control the keyboard reaches shows that it has the focus, once the keyboard has
// moved it there: flat buttons (the Contents window's picture buttons) get a dotted frame
// inside their edge, a link label a dotted frame around it, and lists and text boxes of
// several lines a frame in the highlight
// colour, which the style draws for one-line boxes only. Installs the application's style
// (the platform's own, with these additions); call once after the application object
// exists.
void installFocusMarks();

} // namespace kesterly

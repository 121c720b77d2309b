#pragma once

namespace GraphEngine {

class Module;

// The first paint of any gate or net of a module after a layout reports the
// time since the layout's last step, as the step "Qt Rendering delay".
// Later paints report nothing until the next layout clears the flag.
void reportFirstPaint(Module *module);

} // namespace GraphEngine

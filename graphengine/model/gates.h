#pragma once

#include "name.h"
#include "semiindex.h"

namespace GraphEngine {

class Gate;

// A module's gate index (owning its gates) or its port-gate index (referring
// to gates the gate index owns).
class Gates : public SemiIndex<Name, Gate>
{
public:
    Gates(Module *owner, bool ownsElements);
    ~Gates() override;

    // Deletes every gate when the index owns them; otherwise does nothing.
    void clear() override;
    // Deletes every gate but the module-port gates (owning index only).
    void purge();

    quint8 ownsElements = 0;
};

} // namespace GraphEngine

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
    // Re-lays the ports of every generic and cluster gate.
    void initAllPorts(bool packBuses);
    // Resets the layout state of every gate and deletes the column
    // pass-through gates, which joins the nets they split.
    void removeFromModule();
    // The first cluster gate with a member of that name; null for none.
    Gate *findClusterWithSubGate(const Name &name) const;

    quint8 ownsElements = 0;

private:
    class PieceJoin;
};

} // namespace GraphEngine

#pragma once

#include "name.h"

#include <QList>
#include <QStringList>
#include <QVariant>

namespace GraphEngine {

class Edge;
class Gate;
class GatePort;

// Recognises consecutive members of one bus (a[0], a[1], a[2] or the reverse)
// fed one after another. With setLabels, the ports fed through appendPort are
// labelled: the first port of a run shows the range ("a[0:2]"), the others
// nothing. The ports are not owned.
class BusSequence
{
public:
    explicit BusSequence(bool setLabels = false)
        : setLabels(setLabels)
    {
    }

    bool setLabels = false;
    Name last;
    int start[2] = {-1, -1};
    // Index slot that changes along the run; -1 until known.
    int varying = -1;
    // +1 or -1 once known.
    int step = 0;
    GatePort *firstPort = nullptr;
    GatePort *lastPort = nullptr;
    double maxLabelWidth = 0.0;

    // True when the name continues the current run; otherwise it starts a
    // new one (a null name ends the run).
    bool append(const Name &name);
    bool appendPort(GatePort *port);
    // The bus pin of a module-port gate (kinds 15 to 17).
    bool appendGatePort(Gate *gate);
    bool appendNet(Edge *net);
    // The step (+1 or -1) by which the name would continue the current run,
    // with the index slot that varies along it; 0 when it would not.
    int continuation(const Name &name, int *slot) const;
    // The port whose name appendNet takes for a net without an indexed or
    // numbered name of its own; null when there is none.
    static GatePort *namingPort(const Edge *net);
    // Ends the run; with emitLabel, labels its first port with the run without
    // its newest member.
    void flush(bool emitLabel);

    // The run's text with its newest index moved back by endOffset steps.
    QString runText(int endOffset) const;

private:
    void startRun(const Name &name);
};

// Folds a sequence of names into one short text: repeats become
// "{{count,name}}", bus runs "a[0:2]", and several items "{a,b}".
class NameList
{
public:
    QStringList items;
    QList<QVariant> names;
    bool keepNames = false;
    Name current;
    int count = 0;
    BusSequence run;

    void append(const Name &name);
    // A stored Name, or the text of any other value.
    void append(const QVariant &name);
    QString toString();
    void clear();
    void flushRun();
};

} // namespace GraphEngine

#pragma once

// Fetches values of C/C++ expressions from the stopped program on demand,
// without touching the user's locals and watch lists. Each expression
// becomes an item of the host's watch model under an "inspect." iname; once
// the host has the answer, dataReceived() is emitted and the owner reads the
// results back from the watch model by expression. Every owner (watch
// delegate, stack view, graph window) holds its own Inspector.

#include <QByteArray>
#include <QJsonArray>
#include <QMap>
#include <QModelIndex>
#include <QObject>
#include <QPointer>
#include <QVariant>

namespace Debugger {
namespace Internal {
class DebuggerCommand;
class DebuggerResponse;
class GdbEngine;
} // namespace Internal
} // namespace Debugger

namespace KorvanDebugger {
namespace Internal {

class Inspector : public QObject
{
    Q_OBJECT
public:
    // expression -> the inames asked for it; the lowest is its own item.
    using Requests = QMap<QByteArray, QMap<QByteArray, bool>>;

    Inspector() = default;

    // Queues the expression under the iname (a fresh "inspect.N" when the
    // iname is null). True when the expression was not requested before.
    bool addWatch(const QByteArray &expression, const QByteArray &iname = QByteArray());
    // Queues the children of an inspected item, or lets the host fetch the
    // children of any other item. False for an invalid index or an item
    // already expanded.
    bool fetchMore(const QModelIndex &index);
    // Sends every queued request in one fetch.
    void flushRequests();
    void getDataFromInferior(const QJsonArray &watchers, const QJsonArray &expanded);
    static void appendArgs(Debugger::Internal::DebuggerCommand &command, const char *name, const QJsonArray &items);
    // Forgets every request and stops listening to the engine.
    void reset();

    static void clearAllInspector();

    QModelIndex valueOf(const QByteArray &expression) const;
    QVariant valueData(const QByteArray &expression, int role) const;
    QModelIndex childOfValue(const QByteArray &expression, const QString &childName) const;
    QMap<QByteArray, QModelIndex> collectResults() const;
    QMap<QByteArray, QVariant> itemData(int role, int column = -1) const;

    // "Foo *" of an item typed or shown as "(Foo *) 0x1234"; one trailing
    // '*' is kept, none added twice.
    static QString pointerType(const QModelIndex &index);
    // "(Foo*) 0x1234" of an item's address.
    static QString addressText(const QModelIndex &index);
    static QModelIndex childValue(const QModelIndex &parent, const QString &name);

    const Requests &requests() const { return m_requests; }
    bool isPending() const { return m_pending; }

signals:
    void dataReceived();
    // Expressions that the debugger did not answer in a whole fetch; they
    // are no longer requested.
    void requestsDropped(const QList<QByteArray> &expressions);
    // The debugger ended before it answered this Inspector's fetches: no
    // answer (and no dataReceived()) will come for them, and the requests,
    // which named values of the ended program, are forgotten.
    void fetchAbandoned();

public slots:
    void dataReady();
    void clearAllInspectorNow();
    void dataReadyDelayed();

private:
    void followEngine(Debugger::Internal::GdbEngine *engine);
    void engineStateChanged(int state);
    void handleFetchAnswer(Debugger::Internal::GdbEngine *engine, const Debugger::Internal::DebuggerResponse &response,
                           const QList<QByteArray> &sent);

    bool m_pending = false;
    // Fetches sent to m_fetchEngine and not answered yet.
    int m_outstanding = 0;
    QPointer<Debugger::Internal::GdbEngine> m_fetchEngine;
    Requests m_requests;
};

} // namespace Internal
} // namespace KorvanDebugger

#pragma once

// The watch model of the IDE's debugger and the handler that fills it from
// the dumper's answers. Top-level items are "local" (Locals), "inspect"
// (Inspector) and "watch" (Expressions); an item's iname is its parent's
// iname followed by "." and its own component.

#include <QHash>
#include <QSet>
#include <QStandardItemModel>
#include <QStringList>

namespace Debugger {
namespace Internal {

class DebuggerCommand;
class GdbMi;

class WatchModel : public QStandardItemModel
{
    Q_OBJECT
public:
    enum Column { NameColumn = 0, ValueColumn = 1, TypeColumn = 2 };

    explicit WatchModel(QObject *parent = nullptr);

    QModelIndex indexForIName(const QString &iname) const;
    QStandardItem *rootItem(const QString &iname) const;

    // An item the dumper says has children shows as expandable before
    // they are fetched, as in the IDE.
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    // The view wants the children of an item: its iname joins the expanded
    // set and the engine is asked for them.
    void fetchMore(const QModelIndex &parent) override;
    // The update that answers what was asked has come (or the session
    // ended): a later fetchMore asks again.
    void clearRequestedFetches() { m_requestedFetches.clear(); }
    // A value the user edited is not stored: it is handed to the engine
    // (valueEditRequested) to assign in the debugged program.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    void updateFinished();
    void fetchRequested(const QString &iname);
    // The user gave the item a new value; expression is empty for an item
    // that has none of its own (a child a printer made).
    void valueEditRequested(const QString &iname, const QString &expression, const QString &value);

private:
    // The view asks several times for one opening (expanding, laying out,
    // through each proxy): one fetch serves them all until it is answered.
    QSet<QString> m_requestedFetches;
};

class WatchHandler : public QObject
{
    Q_OBJECT
signals:
    void watchersChanged();

public:
    explicit WatchHandler(QObject *parent = nullptr);

    WatchModel *model() const { return m_model; }

    // Replaces the items of the answer's inames (and their children) with
    // those of `items`, a list of dumper items; with `resetLocals` the
    // Locals are emptied first.
    void insertItems(const GdbMi &items, bool resetLocals);
    void removeChildren(const QString &iname);
    // Empties every section (Locals, Inspector, Expressions) when the
    // debugger ends; the watched expressions stay for the next session.
    void cleanup();
    void notifyUpdateFinished();

    // The dumper types of a "loadDumpers" answer ("dumpers" child).
    void addDumpers(const GdbMi &dumpers);
    QStringList dumperTypes() const { return m_dumperTypes; }

    void appendFormatRequests(DebuggerCommand *command) const;
    void appendWatchersAndTooltipRequests(DebuggerCommand *command) const;
    // Adds a watched expression, shown under the name when one is given;
    // a stopped engine updates the view at once (watchersChanged()).
    void watchExpression(const QString &expression, const QString &name = QString());
    QStringList watchedExpressions() const { return m_watchers; }
    // Takes the item of that iname (and its children) out of the model; a
    // watched expression ("watch.N") is no longer watched.
    void removeItemByIName(const QString &iname);

    QSet<QString> expandedINames() const { return m_expanded; }
    void setExpanded(const QString &iname, bool expanded);

private:
    void insertItem(QStandardItem *parent, const GdbMi &item);

    WatchModel *m_model;
    QStringList m_dumperTypes;
    QStringList m_watchers;
    QHash<QString, QString> m_watcherNames; // expression -> name shown
    QSet<QString> m_expanded;
};

} // namespace Internal
} // namespace Debugger

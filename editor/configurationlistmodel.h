#pragma once

// The item models behind the two lists of the model editor. Each model is at
// the same time the JSON array of the entries it shows: field definitions of
// one class (FieldModel, a flat list) or all class definitions (ClassModel, a
// tree of groups and classes whose check boxes are the classes' "enable").

#include "configurationwizardtypes.h"

#include <QAbstractTableModel>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QPair>
#include <QStringList>

QT_BEGIN_NAMESPACE
class QAbstractItemView;
QT_END_NAMESPACE

namespace KorvanDebugger {
namespace Configuration {

class PythonError;

class ConfigurationListModelBase : public QAbstractTableModel, public QJsonArray
{
    Q_OBJECT
public:
    explicit ConfigurationListModelBase(QAbstractItemView *view = nullptr);

    QAbstractItemView *view = nullptr;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;

    // Callers frame these in beginResetModel()/endResetModel().
    virtual void setEntries(const QJsonArray &entries);
    virtual int insertEntry(int row, const QJsonObject &entry);
    virtual int replaceEntry(int row, const QJsonObject &entry);
    virtual int entryRow(const QModelIndex &index) const;
    virtual QModelIndex entryIndex(int row) const;
    virtual void saveViewState();
    virtual void restoreViewState();
    virtual void entriesChanged();

    const QJsonArray &entries() const { return *this; }
    QJsonObject entryAt(int row) const { return at(row).toObject(); }

    int currentRow() const;
    void setCurrentRow(int row);

    using QAbstractTableModel::beginResetModel;
    using QAbstractTableModel::endResetModel;

public slots:
    // The wizard actions: an entry made in an empty wizard, the current
    // entry edited (showing the error at its row when given), a copy of the
    // current entry edited. A name clash warns and leaves the list as it was.
    void addAction(KorvanDebugger::Configuration::ConfigurationWizardTypes::OperatingMode operatingMode);
    void editAction(KorvanDebugger::Configuration::ConfigurationWizardTypes::OperatingMode operatingMode,
                    const KorvanDebugger::Configuration::PythonError *error = nullptr);
    void cloneAction(KorvanDebugger::Configuration::ConfigurationWizardTypes::OperatingMode operatingMode);
    // Removes the current entry and selects the one that took its place.
    void removeAction();

private:
    // The entry under "tmp" of an accepted wizard; false when not accepted.
    static bool runWizard(ConfigurationWizardTypes::OperatingMode operatingMode, const QJsonObject *entry,
                          const PythonError *error, QJsonObject *result);
    // Inserts a wizard's entry at the current place; returns the row to select.
    int insertFromWizard(const QJsonObject &entry);
    static void warnClash();
};

class FieldModel : public ConfigurationListModelBase
{
    Q_OBJECT
public:
    using ConfigurationListModelBase::ConfigurationListModelBase;

    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    int findField(const QString &name) const;

public slots:
    void addAction();
    void editAction();
    void cloneAction();
    void upAction();
    void downAction();
};

class ClassModel : public ConfigurationListModelBase
{
    Q_OBJECT
public:
    using Config = QJsonObject;
    explicit ClassModel(QAbstractItemView *view = nullptr);

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex sibling(int row, int column, const QModelIndex &index) const override;

    void setEntries(const QJsonArray &entries) override;
    int insertEntry(int row, const QJsonObject &entry) override;
    int replaceEntry(int row, const QJsonObject &entry) override;
    int entryRow(const QModelIndex &index) const override;
    QModelIndex entryIndex(int row) const override;
    void saveViewState() override;
    void restoreViewState() override;
    void entriesChanged() override;

    // Like insertEntry, but a duplicate replaces the class it collides with.
    void mergeEntry(const QJsonObject &entry);
    QJsonObject findClassForType(const QString &typeName) const;
    int findEntry(const QString &group, const QString &templateType) const;
    void expandGroup(const QString &group);

    static bool classLessThan(const QJsonObject &a, const QJsonObject &b);

public slots:
    void addAction();
    void editAction();
    void cloneAction();
    // Models from the built-in set or an exported file, chosen in a dialog,
    // merged into this model.
    void importAction();
    // All or only the enabled models, written to a file the user names.
    void exportAction();

signals:
    void duplicateEntry(KorvanDebugger::Configuration::ClassModel::Config duplicate);
    void disableEntry(KorvanDebugger::Configuration::ClassModel::Config conf);

private:
    // Merges the classes of an import dialog's model (all, or only the
    // checked ones) in one model reset.
    void importFrom(const ClassModel &source, bool all);
    int lowerBound(const QJsonObject &entry) const;
    int duplicateRow(int pos, const QJsonObject &entry) const;
    int rowOf(const QJsonObject &entry) const;
    // Returns whether another class was disabled.
    bool disableOtherEnabled(int insertedRow, const QJsonObject &entry);
    bool isGroupIndex(const QModelIndex &index) const;
    Qt::CheckState groupCheckState(const QString &group) const;
    void setGroupRange(int start, int end);

    QMap<QString, QPair<int, int>> groupRanges;
    QMap<QString, bool> expandedGroups;
    QStringList groups;
};

} // namespace Configuration
} // namespace KorvanDebugger

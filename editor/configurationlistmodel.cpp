#include "configurationlistmodel.h"

#include "configurationwizard.h"

#include "configuration/document.h"
#include "configuration/jsonhelpers.h"
#include "configuration/keys.h"
#include "configuration/pythonerror.h"
#include "host/dialogs/dialogs.h"
#include "plugin/korvandebuggerplugin.h"

#include <QAbstractItemView>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QSet>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace KorvanDebugger {
namespace Configuration {

namespace {

QString groupOf(const QJsonObject &entry)
{
    return displayGroupName(entry.value(Key::group).toString());
}

QString templateTypeOf(const QJsonObject &entry)
{
    return entry.value(Key::className).toObject().value(Key::TemplateType).toString();
}

bool isEnabled(const QJsonObject &entry)
{
    return entry.value(Key::enable).toBool(true);
}

struct Choice
{
    QString text;
    QMessageBox::ButtonRole role;
    QString toolTip;
};

// Asks a question whose answers are buttons of their own; returns the index
// of the choice taken, -1 when the box was closed without one.
int askChoice(const QString &title, const QString &text, const QList<Choice> &choices)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, nullptr);
    QList<QAbstractButton *> buttons;
    for (const Choice &choice : choices) {
        QPushButton *button = box.addButton(choice.text, choice.role);
        button->setToolTip(choice.toolTip);
        buttons.append(button);
    }
    Host::execDialog(&box);
    return buttons.indexOf(box.clickedButton());
}

const char exchangeSuffix[] = ".conf";

} // namespace

// --- ConfigurationListModelBase ---------------------------------------------

ConfigurationListModelBase::ConfigurationListModelBase(QAbstractItemView *itemView)
    : view(itemView)
{
}

int ConfigurationListModelBase::rowCount(const QModelIndex &parent) const
{
    // A flat list: rows have no children of their own.
    return parent.isValid() ? 0 : QJsonArray::size();
}

int ConfigurationListModelBase::columnCount(const QModelIndex &) const
{
    return 2;
}

void ConfigurationListModelBase::setEntries(const QJsonArray &entries)
{
    beginResetModel();
    static_cast<QJsonArray &>(*this) = entries;
    entriesChanged();
    endResetModel();
}

int ConfigurationListModelBase::insertEntry(int row, const QJsonObject &entry)
{
    row = qBound(0, row, int(QJsonArray::size()));
    insert(row, entry);
    return row;
}

int ConfigurationListModelBase::replaceEntry(int row, const QJsonObject &entry)
{
    if (row < 0 || row >= QJsonArray::size())
        return -1;
    replace(row, entry);
    return row;
}

int ConfigurationListModelBase::entryRow(const QModelIndex &index) const
{
    return index.row();
}

QModelIndex ConfigurationListModelBase::entryIndex(int row) const
{
    return index(row, 0);
}

void ConfigurationListModelBase::saveViewState() {}
void ConfigurationListModelBase::restoreViewState() {}
void ConfigurationListModelBase::entriesChanged() {}

int ConfigurationListModelBase::currentRow() const
{
    if (!view || !view->selectionModel())
        return -1;
    const QModelIndex current = view->selectionModel()->currentIndex();
    return current.isValid() ? entryRow(current) : -1;
}

void ConfigurationListModelBase::setCurrentRow(int row)
{
    if (view)
        view->setCurrentIndex(entryIndex(row));
}

void ConfigurationListModelBase::removeAction()
{
    const int row = currentRow();
    if (row == -1)
        return;
    saveViewState();
    beginResetModel();
    removeAt(row);
    entriesChanged();
    endResetModel();
    restoreViewState();
    // The entry that took its place, or the new last one.
    if (!QJsonArray::isEmpty())
        setCurrentRow(row == QJsonArray::size() ? row - 1 : row);
}

bool ConfigurationListModelBase::runWizard(ConfigurationWizardTypes::OperatingMode operatingMode,
                                           const QJsonObject *entry, const PythonError *error, QJsonObject *result)
{
    ConfigurationWizard wizard(Key::tmp, operatingMode, nullptr);
    if (entry)
        wizard.setValue(QJsonObject{{Key::tmp, *entry}}, true);
    if (error) {
        // Shown once the dialog runs; the wizard is the context, so the
        // error is dropped with a wizard that has gone meanwhile.
        QTimer::singleShot(0, &wizard, [&wizard, shown = *error]() mutable { wizard.showError(&shown); });
    }
    if (Host::execDialog(&wizard) != ConfigurationWizardTypes::Finished)
        return false;
    *result = inputValueAsObject(wizard).value(Key::tmp).toObject();
    return true;
}

void ConfigurationListModelBase::warnClash()
{
    Host::warning(nullptr, tr("Class Configuration Setup"),
                  tr("The class name you have entered is conflicting with an existingclass name. The entry is "
                     "discarded."),
                  QMessageBox::Ok);
}

int ConfigurationListModelBase::insertFromWizard(const QJsonObject &entry)
{
    const int current = currentRow();
    const int position = current == -1 ? int(QJsonArray::size()) : current;
    saveViewState();
    beginResetModel();
    int row = insertEntry(position, entry);
    if (row == -1) {
        warnClash();
        row = current;
    } else {
        entriesChanged();
    }
    endResetModel();
    restoreViewState();
    return row;
}

void ConfigurationListModelBase::addAction(ConfigurationWizardTypes::OperatingMode operatingMode)
{
    QJsonObject entry;
    if (!runWizard(operatingMode, nullptr, nullptr, &entry))
        return;
    setCurrentRow(insertFromWizard(entry));
}

void ConfigurationListModelBase::editAction(ConfigurationWizardTypes::OperatingMode operatingMode,
                                            const PythonError *error)
{
    int row = currentRow();
    if (row == -1)
        return;
    const QJsonObject current = entryAt(row);
    QJsonObject entry;
    if (!runWizard(operatingMode, &current, error, &entry))
        return;
    if (!error)
        saveViewState();
    beginResetModel();
    const int result = replaceEntry(row, entry);
    if (result == -1) {
        warnClash();
    } else {
        entriesChanged();
        row = result;
    }
    endResetModel();
    if (!error) {
        restoreViewState();
        setCurrentRow(row);
    }
}

void ConfigurationListModelBase::cloneAction(ConfigurationWizardTypes::OperatingMode operatingMode)
{
    const int row = currentRow();
    if (row == -1)
        return;
    const QJsonObject current = entryAt(row);
    QJsonObject entry;
    if (!runWizard(operatingMode, &current, nullptr, &entry))
        return;
    setCurrentRow(insertFromWizard(entry));
}

// --- FieldModel --------------------------------------------------------------

QVariant FieldModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return QVariant();
    const QJsonObject field = entryAt(index.row());
    if (index.column() == 0)
        return field.value(Key::type).toVariant();
    const QJsonValue name = field.value(Key::displayedName);
    return (name.isUndefined() || name.isNull() ? field.value(Key::model) : name).toVariant();
}

QVariant FieldModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QVariant();
    if (role == Qt::DisplayRole)
        return section == 0 ? tr("Type") : tr("Member name");
    if (role == Qt::ToolTipRole)
        return section == 0 ? tr("This is the type of the class/struct field")
                            : tr("This is the displayed name of the class/struct field");
    return QVariant();
}

int FieldModel::findField(const QString &name) const
{
    if (name == QLatin1String("<Default>") && QJsonArray::size() == 1)
        return 0;
    for (int row = 0; row < QJsonArray::size(); ++row) {
        if (entryAt(row).value(Key::displayedName).toString() == name)
            return row;
    }
    return -1;
}

void FieldModel::addAction()
{
    ConfigurationListModelBase::addAction(ConfigurationWizardTypes::FieldDefinition);
}

void FieldModel::editAction()
{
    ConfigurationListModelBase::editAction(ConfigurationWizardTypes::FieldDefinition);
}

void FieldModel::cloneAction()
{
    ConfigurationListModelBase::cloneAction(ConfigurationWizardTypes::FieldDefinition);
}

void FieldModel::upAction()
{
    const int row = currentRow();
    if (row <= 0)
        return;
    const QJsonObject field = entryAt(row);
    beginResetModel();
    removeAt(row);
    insertEntry(row - 1, field);
    endResetModel();
    setCurrentRow(row - 1);
}

void FieldModel::downAction()
{
    const int row = currentRow();
    if (row < 0 || row >= QJsonArray::size() - 1)
        return;
    const QJsonObject field = entryAt(row);
    beginResetModel();
    removeAt(row);
    insertEntry(row + 1, field);
    endResetModel();
    setCurrentRow(row + 1);
}

// --- ClassModel --------------------------------------------------------------

ClassModel::ClassModel(QAbstractItemView *view)
    : ConfigurationListModelBase(view)
{
    qRegisterMetaType<Config>("KorvanDebugger::Configuration::ClassModel::Config");
}

bool ClassModel::classLessThan(const QJsonObject &a, const QJsonObject &b)
{
    const QString ga = groupOf(a);
    const QString gb = groupOf(b);
    const int c = QString::compare(ga, gb, Qt::CaseInsensitive);
    if (c != 0)
        return c < 0;
    // Groups told apart by letter case only ("Qt", "qt") are distinct groups:
    // each must form one run of its own, or the group index, which keys runs
    // by their exact name, loses all but the last run of a name.
    if (ga != gb)
        return ga < gb;
    return QString::compare(templateTypeOf(a), templateTypeOf(b), Qt::CaseInsensitive) < 0;
}

bool ClassModel::isGroupIndex(const QModelIndex &index) const
{
    return index.isValid() && index.internalId() == quintptr(QJsonArray::size());
}

QModelIndex ClassModel::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column < 0 || row >= rowCount(parent) || column >= columnCount(parent))
        return QModelIndex();
    if (!parent.isValid())
        return createIndex(row, column, quintptr(QJsonArray::size()));
    if (isGroupIndex(parent)) {
        const QString group = groups.value(parent.row());
        return createIndex(row, column, quintptr(groupRanges.value(group, qMakePair(0, 0)).first));
    }
    return QModelIndex();
}

QModelIndex ClassModel::parent(const QModelIndex &index) const
{
    if (!index.isValid() || isGroupIndex(index))
        return QModelIndex();
    const int row = int(index.internalId()) + index.row();
    const int groupRow = groups.indexOf(groupOf(entryAt(row)));
    return createIndex(groupRow, 0, quintptr(QJsonArray::size()));
}

int ClassModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return groupRanges.size();
    if (isGroupIndex(parent))
        return groupRanges.value(groups.value(parent.row()), qMakePair(0, 0)).second;
    return 0;
}

int ClassModel::columnCount(const QModelIndex &) const
{
    return 1;
}

Qt::CheckState ClassModel::groupCheckState(const QString &group) const
{
    const auto range = groupRanges.constFind(group);
    if (range == groupRanges.constEnd() || range->second == 0)
        return Qt::Checked;
    const bool first = isEnabled(entryAt(range->first));
    for (int row = range->first + 1; row < range->first + range->second; ++row) {
        if (isEnabled(entryAt(row)) != first)
            return Qt::PartiallyChecked;
    }
    return first ? Qt::Checked : Qt::Unchecked;
}

QVariant ClassModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.column() != 0)
        return QVariant();
    if (isGroupIndex(index)) {
        const QString group = groups.value(index.row());
        if (role == Qt::DisplayRole)
            return group;
        if (role == Qt::CheckStateRole)
            return groupCheckState(group);
        return QVariant();
    }
    const QJsonObject entry = entryAt(entryRow(index));
    if (role == Qt::DisplayRole)
        return templateTypeOf(entry);
    if (role == Qt::CheckStateRole)
        return isEnabled(entry) ? Qt::Checked : Qt::Unchecked;
    return QVariant();
}

bool ClassModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != 0)
        return false;
    // Partially checked counts as checked: a view toggling a mixed group sends it.
    const bool enable = value.toInt() != Qt::Unchecked;
    const int row = entryRow(index);
    if (row != -1) {
        QJsonObject entry = entryAt(row);
        entry.insert(Key::enable, enable);
        saveViewState();
        beginResetModel();
        replaceEntry(row, entry);
        endResetModel();
        restoreViewState();
        return true;
    }
    const QString group = groups.value(index.row());
    const QPair<int, int> range = groupRanges.value(group, qMakePair(0, 0));
    saveViewState();
    beginResetModel();
    for (int r = range.first; r < range.first + range.second; ++r) {
        QJsonObject entry = entryAt(r);
        if (isEnabled(entry) != enable) {
            entry.insert(Key::enable, enable);
            replaceEntry(r, entry);
        }
    }
    endResetModel();
    restoreViewState();
    return true;
}

QVariant ClassModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section != 0)
        return QVariant();
    if (role == Qt::DisplayRole)
        return tr("Class Name");
    if (role == Qt::ToolTipRole)
        return tr("This is the name of a class configured for Pretty-Printing.");
    return QVariant();
}

Qt::ItemFlags ClassModel::flags(const QModelIndex &index) const
{
    // The invisible root has no flags, as views and proxies expect.
    if (!index.isValid())
        return Qt::NoItemFlags;
    return (QAbstractTableModel::flags(index) | Qt::ItemIsUserCheckable) & ~Qt::ItemNeverHasChildren;
}

bool ClassModel::hasChildren(const QModelIndex &parent) const
{
    return rowCount(parent) > 0;
}

QModelIndex ClassModel::sibling(int row, int column, const QModelIndex &index) const
{
    return this->index(row, column, parent(index));
}

int ClassModel::lowerBound(const QJsonObject &entry) const
{
    int first = 0;
    int count = QJsonArray::size();
    while (count > 0) {
        const int half = count / 2;
        const int middle = first + half;
        if (classLessThan(entryAt(middle), entry)) {
            first = middle + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    return first;
}

int ClassModel::duplicateRow(int pos, const QJsonObject &entry) const
{
    // Classes that sort equal (group and name alike but for letter case) form
    // one run; the duplicate may stand anywhere in it.
    const QJsonValue name = entry.value(Key::className);
    const QString group = groupOf(entry);
    for (int row = pos; row < QJsonArray::size(); ++row) {
        const QJsonObject there = entryAt(row);
        if (classLessThan(entry, there))
            break;
        if (there.value(Key::className) == name && groupOf(there) == group)
            return row;
    }
    return -1;
}

int ClassModel::rowOf(const QJsonObject &entry) const
{
    for (int row = lowerBound(entry); row < QJsonArray::size(); ++row) {
        if (entryAt(row) == entry)
            return row;
    }
    return -1;
}

bool ClassModel::disableOtherEnabled(int insertedRow, const QJsonObject &entry)
{
    if (!isEnabled(entry))
        return false;
    const QJsonValue name = entry.value(Key::className);
    for (int row = 0; row < QJsonArray::size(); ++row) {
        if (row == insertedRow)
            continue;
        QJsonObject other = entryAt(row);
        if (isEnabled(other) && other.value(Key::className) == name) {
            other.insert(Key::enable, false);
            replaceEntry(row, other);
            emit disableEntry(other);
            return true;
        }
    }
    return false;
}

int ClassModel::insertEntry(int, const QJsonObject &entry)
{
    const int pos = lowerBound(entry);
    if (duplicateRow(pos, entry) != -1) {
        emit duplicateEntry(entry);
        return -1;
    }
    insert(pos, entry);
    if (!disableOtherEnabled(pos, entry))
        return pos;
    // The disabled class went back in at the head of its run, which may be
    // this one's run too.
    return rowOf(entry);
}

int ClassModel::replaceEntry(int row, const QJsonObject &entry)
{
    if (row < 0 || row >= QJsonArray::size())
        return -1;
    const QJsonValue taken = takeAt(row);
    // insertEntry has announced a refusal already.
    const int result = insertEntry(row, entry);
    if (result == -1)
        insert(row, taken);
    return result;
}

void ClassModel::mergeEntry(const QJsonObject &entry)
{
    int pos = lowerBound(entry);
    const int duplicate = duplicateRow(pos, entry);
    if (duplicate != -1) {
        removeAt(duplicate);
        pos = lowerBound(entry);
    }
    insert(pos, entry);
    disableOtherEnabled(pos, entry);
}

int ClassModel::entryRow(const QModelIndex &index) const
{
    if (!index.isValid() || isGroupIndex(index))
        return -1;
    return int(index.internalId()) + index.row();
}

QModelIndex ClassModel::entryIndex(int row) const
{
    if (row < 0 || row >= QJsonArray::size())
        return QModelIndex();
    const int first = groupRanges.value(groupOf(entryAt(row)), qMakePair(0, 0)).first;
    return createIndex(row - first, 0, quintptr(first));
}

void ClassModel::setGroupRange(int start, int end)
{
    if (end <= start)
        return;
    groupRanges.insert(groupOf(entryAt(start)), qMakePair(start, end - start));
}

void ClassModel::entriesChanged()
{
    groupRanges.clear();
    QString current = displayGroupName(QString());
    int start = 0;
    for (int row = 0; row < QJsonArray::size(); ++row) {
        const QString group = groupOf(entryAt(row));
        if (group != current) {
            setGroupRange(start, row);
            current = group;
            start = row;
        }
    }
    setGroupRange(start, QJsonArray::size());
    groups = groupRanges.keys();
}

void ClassModel::setEntries(const QJsonArray &entries)
{
    if (QJsonArray::isEmpty() && entries.isEmpty())
        return;
    beginResetModel();
    static_cast<QJsonArray &>(*this) = QJsonArray();
    // insertEntry one by one, without looking for another enabled class of
    // the same name while no enabled entry of that type came before: a
    // whole document loads in O(n log n) instead of O(n^2).
    QSet<QString> enabledTypes;
    for (const QJsonValue &value : entries) {
        const QJsonObject entry = value.toObject();
        const int pos = lowerBound(entry);
        if (duplicateRow(pos, entry) != -1) {
            emit duplicateEntry(entry);
            continue;
        }
        insert(pos, entry);
        if (!isEnabled(entry))
            continue;
        const QString type = templateTypeOf(entry);
        if (enabledTypes.contains(type))
            disableOtherEnabled(pos, entry);
        else
            enabledTypes.insert(type);
    }
    entriesChanged();
    endResetModel();
}

void ClassModel::saveViewState()
{
    auto *tree = qobject_cast<QTreeView *>(view);
    if (!tree)
        return;
    for (int row = 0; row < groups.size(); ++row)
        expandedGroups.insert(groups.at(row), tree->isExpanded(index(row, 0)));
}

void ClassModel::restoreViewState()
{
    auto *tree = qobject_cast<QTreeView *>(view);
    if (!tree)
        return;
    for (int row = 0; row < groups.size(); ++row) {
        const bool expanded = expandedGroups.value(groups.at(row), false);
        expandedGroups.insert(groups.at(row), expanded);
        tree->setExpanded(index(row, 0), expanded);
    }
}

void ClassModel::addAction()
{
    ConfigurationListModelBase::addAction(ConfigurationWizardTypes::ClassDefinition);
}

void ClassModel::editAction()
{
    ConfigurationListModelBase::editAction(ConfigurationWizardTypes::ClassDefinition);
}

void ClassModel::cloneAction()
{
    ConfigurationListModelBase::cloneAction(ConfigurationWizardTypes::ClassDefinition);
}

void ClassModel::importAction()
{
    const int source = askChoice(
        tr("Import options"), tr("Please select the source of the Pretty Printers."),
        {{tr("Built-in"), QMessageBox::ActionRole, tr("Import models from Korvan debugger built-in configuration.")},
         {tr("From File"), QMessageBox::ActionRole,
          tr("Import models from a configuration file that was previously exported by Korvan debugger.")},
         {tr("Cancel"), QMessageBox::RejectRole, tr("Cancel the import operation.")}});
    QJsonObject root;
    QString origin = QStringLiteral(":PrettyPrinters.conf");
    if (source == 0) {
        if (!parseConfiguration(root,
                                KorvanDebugger::Internal::KorvanDebuggerPlugin::getResourceCode(":PrettyPrinters.conf"),
                                QStringLiteral(":PrettyPrinters.conf")))
            return;
    } else if (source == 1) {
        const QString name = Host::getOpenFileName(nullptr, tr("Select configuration file"), QString(),
                                                   tr("Korvan Config File(*.conf)"));
        if (name.isEmpty())
            return;
        QFile file(name);
        if (!readConfiguration(root, file))
            return;
        origin = QDir::toNativeSeparators(name);
    } else {
        return;
    }
    // Only objects are class definitions; anything else in a hand-edited
    // file would come in as a nameless class.
    QJsonArray definitions;
    for (const QJsonValue &value : root.value(Key::classes).toArray()) {
        if (value.isObject())
            definitions.append(value);
    }
    // A document without class models offers nothing to pick: say so rather
    // than show an empty list whose buttons do nothing.
    if (definitions.isEmpty()) {
        Host::critical(nullptr, tr("Import options"),
                       tr("Korvan configuration read error: %1")
                           .arg(tr("%1 holds no class models (no \"%2\" list).").arg(origin, Key::classes)));
        return;
    }

    ClassModel imported;
    imported.setEntries(definitions);

    // Declared after the model it shows, so it goes first.
    QDialog dialog;
    dialog.setWindowTitle(tr("Select model to import:"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *tree = new QTreeView(&dialog);
    tree->setModel(&imported);
    // Checking a class resets the model; the tree keeps its expanded groups.
    imported.view = tree;
    layout->addWidget(tree);
    auto *buttons = new QDialogButtonBox(Qt::Horizontal, &dialog);
    QPushButton *importAll = buttons->addButton(tr("Import All"), QDialogButtonBox::ActionRole);
    importAll->setToolTip(tr("Import all models. The enabled status is as per the actual selection."));
    QPushButton *importSelected = buttons->addButton(tr("Import Selected"), QDialogButtonBox::ActionRole);
    importSelected->setToolTip(tr("Import only the selected models."));
    buttons->addButton(QDialogButtonBox::Cancel)->setToolTip(tr("Cancel the import operation."));
    layout->addWidget(buttons);
    connect(
        buttons, &QDialogButtonBox::clicked, this,
        [&](QAbstractButton *button) {
            if (button != importAll && button != importSelected)
                return;
            importFrom(imported, button == importAll);
            dialog.accept();
        },
        Qt::DirectConnection);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    Host::execDialog(&dialog);
}

void ClassModel::importFrom(const ClassModel &source, bool all)
{
    saveViewState();
    beginResetModel();
    for (const QJsonValue &value : source.entries()) {
        const QJsonObject entry = value.toObject();
        if (all || isEnabled(entry))
            mergeEntry(entry);
    }
    entriesChanged();
    endResetModel();
    restoreViewState();
}

void ClassModel::exportAction()
{
    const int choice = askChoice(
        tr("Export options"), tr("Please select the exported model:"),
        {{tr("All"), QMessageBox::ActionRole, tr("Export all models regardless of the enable status.")},
         {tr("Enabled"), QMessageBox::ActionRole, tr("Export only the models that are currently enabled")},
         {tr("Cancel"), QMessageBox::RejectRole, tr("Cancel the export operation.")}});
    if (choice != 0 && choice != 1)
        return;
    QString name = Host::getSaveFileName(nullptr, tr("Select configuration file"), QString(),
                                         tr("Korvan Config File(*.conf)"));
    if (name.isEmpty())
        return;
    if (!name.endsWith(QLatin1String(exchangeSuffix), Qt::CaseSensitive))
        name += QLatin1String(exchangeSuffix);

    QJsonArray classes;
    for (const QJsonValue &value : entries()) {
        if (choice == 0 || isEnabled(value.toObject()))
            classes.append(value);
    }
    QSaveFile file(name);
    // A failure is reported by the writer itself; a success says nothing.
    writeConfiguration(QJsonObject{{Key::classes, classes}}, file);
}

void ClassModel::expandGroup(const QString &group)
{
    saveViewState();
    expandedGroups.insert(group, true);
    restoreViewState();
}

QJsonObject ClassModel::findClassForType(const QString &typeName) const
{
    QString name = typeName;
    const int lt = name.indexOf(QLatin1Char('<'));
    const int colon = lt < 0 ? name.lastIndexOf(QLatin1Char(':')) : name.lastIndexOf(QLatin1Char(':'), lt);
    if (colon > 1 && name.mid(colon - 2, 3) == QLatin1String(")::"))
        name = name.mid(colon + 1);
    QString bare = name;
    const int bracket = name.indexOf(QLatin1Char('<'));
    if (bracket > 1)
        bare = name.left(bracket);
    // The exact type first, then its template.
    for (const QString &wanted : {name, bare}) {
        for (int row = 0; row < QJsonArray::size(); ++row) {
            const QJsonObject entry = entryAt(row);
            if (isEnabled(entry) && templateTypeOf(entry) == wanted)
                return entry;
        }
    }
    return QJsonObject();
}

int ClassModel::findEntry(const QString &group, const QString &templateType) const
{
    QJsonObject probe;
    jsonInsert(probe, Key::group, group);
    jsonSetAtPath(probe, {Key::className, Key::TemplateType}, templateType);
    // Only the class itself: a neighbour in sort order is not the class asked
    // for, and the class may stand anywhere in the run that sorts equal.
    const QString displayed = displayGroupName(group);
    for (int row = lowerBound(probe); row < QJsonArray::size(); ++row) {
        const QJsonObject found = entryAt(row);
        if (classLessThan(probe, found))
            break;
        if (groupOf(found) == displayed && templateTypeOf(found) == templateType)
            return row;
    }
    return -1;
}

} // namespace Configuration
} // namespace KorvanDebugger

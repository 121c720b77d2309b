#include "savedcombobox.h"

#include "configuration/document.h"
#include "configuration/storedclasses.h"

#include <QSet>

#include <algorithm>

namespace KorvanDebugger {
namespace Configuration {

namespace {

QSet<QString> &groupNames()
{
    static QSet<QString> names;
    return names;
}

} // namespace

SavedComboBox::SavedComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(true);
}

QStringList SavedComboBox::sharedGroupNames()
{
    QStringList names = groupNames().values();
    std::sort(names.begin(), names.end());
    return names;
}

void SavedComboBox::refresh(const QString &current, const QSharedPointer<QJsonObject> &document)
{
    QSet<QString> &names = groupNames();
    if (names.isEmpty()) {
        const QSharedPointer<QJsonObject> source
            = document ? document : storedDocument();
        if (source)
            names = classGroupNames(*source, true);
        names.insert(displayGroupName(QString()));
    }
    if (!current.isEmpty())
        names.insert(current);
    const QString before = currentText();
    {
        // Refilling passes through other texts; only the final one counts.
        const QSignalBlocker blocker(this);
        clear();
        addItems(sharedGroupNames());
    }
    const QString text = displayGroupName(current);
    if (before == text) {
        // Still the text the editor had before the refill: no change to report.
        const QSignalBlocker blocker(this);
        setCurrentText(text);
    } else {
        setCurrentText(text);
    }
}

} // namespace Configuration
} // namespace KorvanDebugger

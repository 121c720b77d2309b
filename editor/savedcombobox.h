#pragma once

// The editable combo box of group names. All such combos share one list for
// the whole process: filled from a type-model document on first use, and
// grown by every group name an editor reads.

#include <QComboBox>
#include <QJsonObject>
#include <QSharedPointer>

namespace KorvanDebugger {
namespace Configuration {

class SavedComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit SavedComboBox(QWidget *parent = nullptr);

    // Refills the combo with the shared list and makes current the given
    // text ("<Default>" when empty), which joins the list. The document
    // fills an empty list; without one the stored document does.
    void refresh(const QString &current,
                 const QSharedPointer<QJsonObject> &document = QSharedPointer<QJsonObject>());

    static QStringList sharedGroupNames();
};

} // namespace Configuration
} // namespace KorvanDebugger

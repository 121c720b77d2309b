#pragma once

// Stand-in for a page of the IDE's options dialog.

#include "id.h"

#include <QObject>
#include <QString>

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

namespace Core {

class IOptionsPage : public QObject
{
    Q_OBJECT
public:
    explicit IOptionsPage(QObject *parent = nullptr) : QObject(parent) {}

    Id id() const { return m_id; }
    QString displayName() const { return m_displayName; }
    Id category() const { return m_category; }
    QString displayCategory() const { return m_displayCategory; }
    QString categoryIcon() const { return m_categoryIcon; }

    virtual bool matches(const QString &searchKeyWord) const
    {
        return m_displayName.contains(searchKeyWord, Qt::CaseInsensitive);
    }
    // The dialog calls widget() when the page is shown, apply() on Apply/OK
    // and finish() when the dialog closes.
    virtual QWidget *widget() { return nullptr; }
    virtual void apply() {}
    virtual void finish() {}

protected:
    void setId(Id id) { m_id = id; }
    void setDisplayName(const QString &name) { m_displayName = name; }
    void setCategory(Id category) { m_category = category; }
    void setDisplayCategory(const QString &name) { m_displayCategory = name; }
    void setCategoryIcon(const QString &iconPath) { m_categoryIcon = iconPath; }

private:
    Id m_id;
    QString m_displayName;
    Id m_category;
    QString m_displayCategory;
    QString m_categoryIcon;
};

} // namespace Core

#pragma once

// The two lists of the model editor: all class definitions (ClassList) and
// the fields of one class (FieldList). Both are inputs: their value is the
// JSON array of entries and they generate the Python of every entry. The
// generators and the plug-in use them without ever building their view.

#include "configurationlistmodel.h"

#include "configuration/baseinput.h"

#include <QSharedPointer>
#include <QWidget>

QT_BEGIN_NAMESPACE
class QGridLayout;
class QPushButton;
class QTreeView;
QT_END_NAMESPACE

namespace KorvanDebugger {
namespace Configuration {

class ConfigurationWizardGenerator;

class ConfigurationListBase : public QWidget, public BaseInput
{
    Q_OBJECT
public:
    ~ConfigurationListBase() override;

    QJsonValue value() const override;
    void setValue(const QJsonObject &json, bool byKey) override;

    ConfigurationListModelBase *model() const { return m_model.data(); }
    int currentRow() const { return m_model->currentRow(); }

signals:
    void changed();

public slots:
    virtual void syncButton();

protected:
    ConfigurationListBase(const QString &key, ConfigurationListModelBase *model, QWidget *parent);

    // The Python of every entry, each loaded into the given generator. With
    // instancesOnly, an entry adds its argument lines only when they name one
    // helper instance: a field that made no instance (a type without helper)
    // keeps its definitions but stays out of the list, which must remain a
    // Python list of helpers.
    PythonCode generateEntries(ConfigurationWizardGenerator &generator, bool instancesOnly);

    QGridLayout *m_layout = nullptr;
    QTreeView *m_view = nullptr;
    QSharedPointer<ConfigurationListModelBase> m_model;
    QPushButton *m_addButton = nullptr;
    QPushButton *m_removeButton = nullptr;
    QPushButton *m_editButton = nullptr;
};

class FieldList : public ConfigurationListBase
{
    Q_OBJECT
public:
    // featureInput: the class's feature input, which decides the container
    // rule; may be null.
    FieldList(const QString &key, BaseInput *featureInput = nullptr, QWidget *parent = nullptr);

    PythonCode generate() override;
    bool isValid() const override;

    FieldModel *fieldModel() const;

private:
    bool isContainerClass() const;

    BaseInput *m_featureInput;
};

class ClassList : public ConfigurationListBase
{
    Q_OBJECT
public:
    explicit ClassList(QWidget *parent = nullptr);

    PythonCode generate() override;

    ClassModel *classModel() const;

private:
    bool m_errorPending = false;
};

} // namespace Configuration
} // namespace KorvanDebugger

#pragma once

// The two lists of the model editor: all class definitions (ClassList) and
// the fields of one class (FieldList). Both are inputs: their value is the
// JSON array of entries and they generate the Python of every entry. The
// generators and the plug-in use them without ever building their view.

#include "configurationlistmodel.h"

#include "configuration/baseinput.h"
#include "configuration/pythonerror.h"

#include <QSharedPointer>
#include <QStyle>
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

    // Builds the view and the buttons; called once by the holder before the
    // list is shown. Lists used only to generate never call it.
    virtual QWidget *addButtons() = 0;

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

    void createView();
    // A button at (row, 1) that calls the model's slot of that name. A slot
    // the model does not offer leaves the button disabled for good.
    QPushButton *createButton(int row, const QString &text, const char *slot,
                              QStyle::StandardPixmap icon = QStyle::SP_CustomBase);
    void createBaseButtons();
    // Enables the button when asked to and when its action exists.
    static void enableButton(QPushButton *button, bool enabled);

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
    // featureInput: the class's feature input (an AccessorInput), which
    // decides the container rule; may be null. Not owned. When it is a
    // QObject with a changed() signal, the buttons follow its changes.
    FieldList(const QString &key, BaseInput *featureInput = nullptr, QWidget *parent = nullptr);

    QWidget *addButtons() override;
    PythonCode generate() override;
    bool isValid() const override;
    // Selects the field that the error's next path component names and
    // edits it with the rest of the path; false when no field has that name.
    bool showError(PythonError *error) override;

    FieldModel *fieldModel() const;

public slots:
    void syncButton() override;

private:
    bool isContainerClass() const;

    QPushButton *m_upButton = nullptr;
    QPushButton *m_downButton = nullptr;
    BaseInput *m_featureInput;
};

class ClassList : public ConfigurationListBase
{
    Q_OBJECT
public:
    explicit ClassList(QWidget *parent = nullptr);

    QWidget *addButtons() override;
    PythonCode generate() override;

    ClassModel *classModel() const;
    bool errorPending() const { return m_errorPending; }

public slots:
    void syncButton() override;
    // A printer error of a class model ("classes", group, class name, then
    // the rows inside it): selects and expands the class and, once the
    // current signal has returned, edits it with the error. False when the
    // error is not taken: another one is pending, the path does not name
    // "classes", or the list has no such class.
    bool setError(KorvanDebugger::Configuration::PythonError error);

private:
    void connectToPlugin();
    void editErrorEntry(PythonError error);

    bool m_errorPending = false;
    QPushButton *m_cloneButton = nullptr;
    QPushButton *m_importButton = nullptr;
    QPushButton *m_exportButton = nullptr;
};

} // namespace Configuration
} // namespace KorvanDebugger

#include "configurationlist.h"

#include "configuration/accessorinputgenerator.h"
#include "configuration/configurationwizardgenerator.h"
#include "configuration/document.h"
#include "configuration/keys.h"
#include "configuration/pythonerror.h"
#include "editor/korvandebuggeroptions.h"
#include "plugin/korvandebuggerplugin.h"

#include <QApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QJsonArray>
#include <QMetaMethod>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeView>

namespace KorvanDebugger {
namespace Configuration {

ConfigurationListBase::ConfigurationListBase(const QString &key, ConfigurationListModelBase *model,
                                             QWidget *parent)
    : QWidget(parent)
    , BaseInput(key)
    , m_model(model)
{
}

ConfigurationListBase::~ConfigurationListBase() = default;

QJsonValue ConfigurationListBase::value() const
{
    return QJsonArray(m_model->entries());
}

void ConfigurationListBase::setValue(const QJsonObject &json, bool byKey)
{
    // Without byKey the object itself would be read as an array: none.
    const QJsonArray entries = byKey ? json.value(key()).toArray() : QJsonArray();
    m_model->setEntries(entries);
}

namespace {
// Set on a button whose action the model offers.
const char hasActionProperty[] = "korvanHasAction";

// The index of a slot given by its signature, -1 when the class has none.
int methodIndex(const QMetaObject *object, const char *signature)
{
    return object->indexOfSlot(QMetaObject::normalizedSignature(signature).constData());
}
} // namespace

void ConfigurationListBase::createView()
{
    m_layout = new QGridLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_view = new QTreeView(this);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->header()->setStretchLastSection(true);
    m_layout->addWidget(m_view, 0, 0, 7, 1);
    m_layout->setColumnStretch(0, 1000);
    m_layout->setColumnStretch(1, 1);
    setWidget(this);
    m_model->view = m_view;
}

QPushButton *ConfigurationListBase::createButton(int row, const QString &text, const char *slot,
                                                  QStyle::StandardPixmap icon)
{
    auto *button = new QPushButton(text, this);
    if (icon != QStyle::SP_CustomBase)
        button->setIcon(QApplication::style()->standardIcon(icon));
    m_layout->addWidget(button, row, 1, Qt::AlignTop | Qt::AlignHCenter);

    const int method = methodIndex(m_model->metaObject(), QByteArray(slot).append("()").constData());
    const bool available = method != -1;
    button->setProperty(hasActionProperty, available);
    if (available)
        connect(button, QMetaMethod::fromSignal(&QPushButton::clicked), m_model.data(),
                m_model->metaObject()->method(method));
    button->setEnabled(available);
    return button;
}

void ConfigurationListBase::createBaseButtons()
{
    m_addButton = createButton(0, tr("&Add"), "addAction");
    m_removeButton = createButton(1, tr("&Remove"), "removeAction");
    m_editButton = createButton(2, tr("&Edit"), "editAction");
    syncButton();
    connect(m_model.data(), &QAbstractItemModel::modelReset, this, &ConfigurationListBase::syncButton);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ConfigurationListBase::syncButton);
}

void ConfigurationListBase::enableButton(QPushButton *button, bool enabled)
{
    if (button)
        button->setEnabled(enabled && button->property(hasActionProperty).toBool());
}

void ConfigurationListBase::syncButton()
{
    const bool selected = currentRow() != -1;
    enableButton(m_removeButton, selected);
    enableButton(m_editButton, selected);
    emit changed();
}

PythonCode ConfigurationListBase::generateEntries(ConfigurationWizardGenerator &generator, bool instancesOnly)
{
    static const QRegularExpression pythonName(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    DebugContextScope context(key().isEmpty() ? QStringLiteral("<Default>") : key());
    PythonCode result;
    // A copy: generating may reload generators that read this very list.
    const QJsonArray entries = m_model->entries();
    for (const QJsonValue &entry : entries) {
        generator.setValue(entry.toObject(), false);
        PythonCode code = generator.generate();
        if (instancesOnly && !pythonName.match(code.expression).hasMatch())
            code.expression.clear();
        result.merge(code);
    }
    return result;
}

FieldList::FieldList(const QString &key, BaseInput *featureInput, QWidget *parent)
    : ConfigurationListBase(key, new FieldModel, parent)
    , m_featureInput(featureInput)
{
}

QWidget *FieldList::addButtons()
{
    createView();
    m_view->setModel(m_model.data());
    m_upButton = createButton(3, tr("&Up"), "upAction", QStyle::SP_ArrowUp);
    m_downButton = createButton(4, tr("&Down"), "downAction", QStyle::SP_ArrowDown);
    m_layout->setRowStretch(4, 1000);
    createBaseButtons();

    m_addButton->setToolTip(tr("Define a new class member definition."));
    m_removeButton->setToolTip(tr("Remove a member definition from the class."));
    m_editButton->setToolTip(tr("Edit the class member definition."));
    m_upButton->setToolTip(tr("Move the class member definition up.\n"
                              "During the debugging session, the class members are\n"
                              "ordered using the same order than in this list."));
    m_downButton->setToolTip(tr("Move the class member definition down.\n"
                                "During the debugging session, the class members are\n"
                                "ordered using the same order than in this list."));

    // The feature input is a BaseInput; its widget side carries changed().
    if (auto *feature = dynamic_cast<QObject *>(m_featureInput))
        connect(feature, SIGNAL(changed()), this, SLOT(syncButton()));
    return this;
}

void FieldList::syncButton()
{
    const int row = currentRow();
    const bool selected = row != -1;
    if (isContainerClass()) {
        // A container class has exactly one field: the container.
        enableButton(m_upButton, false);
        enableButton(m_downButton, false);
        enableButton(m_addButton, m_model->QJsonArray::isEmpty());
    } else {
        enableButton(m_addButton, true);
        enableButton(m_upButton, selected && row != 0);
        enableButton(m_downButton, selected && row != m_model->QJsonArray::size() - 1);
    }
    ConfigurationListBase::syncButton();
}

FieldModel *FieldList::fieldModel() const
{
    return static_cast<FieldModel *>(m_model.data());
}

PythonCode FieldList::generate()
{
    static ConfigurationWizardGenerator fieldGenerator(Key::tmp, ConfigurationWizardGenerator::FieldDefinition);
    // The field generator is shared by every field list; a field that expands
    // another class's fields generates that list while this one is running,
    // so a nested call works on its own generator.
    static int depth = 0;
    ++depth;
    PythonCode code;
    if (depth == 1) {
        code = generateEntries(fieldGenerator, true);
    } else {
        ConfigurationWizardGenerator nested(Key::tmp, ConfigurationWizardGenerator::FieldDefinition);
        code = generateEntries(nested, true);
    }
    --depth;
    code.joinExpressionLines();
    code.expression = QStringLiteral("[%1]").arg(code.expression);
    code.makeKeywordArgument(key());
    return code;
}

bool FieldList::isContainerClass() const
{
    if (!m_featureInput)
        return false;
    AccessorInputGenerator feature(Key::feature, 0, int(quint64(AccessorKind::FeatureClass) >> 32));
    feature.setValue(QJsonObject{{Key::feature, m_featureInput->value()}}, true);
    return feature.kind == AccessorKind::FeatureContainer;
}

bool FieldList::isValid() const
{
    if (!isContainerClass()) {
        setErrorMessage(QString());
        return true;
    }
    if (m_model->entries().isEmpty()) {
        setErrorMessage(tr("The configuration is defining a Container object.\n"
                                 "You must define one container type field."));
        return false;
    }
    ConfigurationWizardGenerator field(Key::tmp, ConfigurationWizardGenerator::FieldDefinition);
    for (const QJsonValue &entry : m_model->entries()) {
        field.setValue(entry.toObject(), false);
        if (!field.isContainer(true)) {
            setErrorMessage(tr("The configuration is defining a Container object.\n"
                                     "The associated field Must be of container type."));
            return false;
        }
    }
    setErrorMessage(QString());
    return true;
}

bool FieldList::showError(PythonError *error)
{
    if (!error)
        return false;
    const int row = fieldModel()->findField(error->takeFirstApi());
    if (row == -1)
        return false;
    m_model->setCurrentRow(row);
    m_model->editAction(ConfigurationWizardTypes::FieldDefinition, error);
    return true;
}

ClassList::ClassList(QWidget *parent)
    : ConfigurationListBase(Key::classes, new ClassModel, parent)
{
}

ClassModel *ClassList::classModel() const
{
    return static_cast<ClassModel *>(m_model.data());
}

QWidget *ClassList::addButtons()
{
    createView();
    m_view->setModel(m_model.data());
    m_cloneButton = createButton(3, tr("&Clone"), "cloneAction");
    m_importButton = createButton(4, tr("&Import"), "importAction");
    m_exportButton = createButton(5, tr("&Export"), "exportAction");
    m_cloneButton->setIcon(QIcon(QStringLiteral(":clone.png")));
    m_importButton->setIcon(QIcon(QStringLiteral(":import.png")));
    m_exportButton->setIcon(QIcon(QStringLiteral(":export.png")));
    m_cloneButton->setToolTip(tr("Copy an existing configuration."));
    m_cloneButton->setWhatsThis(
        tr("<b>Copy an existing configuration.</b><br>Ensure that is the copied configuration you either "
           "change the group or the model name or your work won't be save due to the resulting conflict."));
    m_importButton->setToolTip(tr("Import the Model Definitions from an external file."));
    m_importButton->setWhatsThis(
        tr("<b>Import the Model Definitions from an external file.</b><br>If a model is already defined in "
           "Korvan debugger and you attempt to re-import itsdefinition, it is replaced with the new "
           "definition from the imported file."));
    m_exportButton->setToolTip(tr("Export the Model Definitions to an external file."));
    m_layout->setRowStretch(6, 1000);
    createBaseButtons();

    m_addButton->setToolTip(tr("Define a new class definition."));
    m_removeButton->setToolTip(tr("Delete an existing class definition."));
    m_editButton->setToolTip(tr("Edit an existing class definition."));
    connectToPlugin();
    return this;
}

void ClassList::connectToPlugin()
{
    // Lists built without a plug-in (tests, tools) have nothing to connect to.
    KorvanDebugger::Internal::KorvanDebuggerPlugin *plugin = KorvanDebugger::Internal::KorvanDebuggerPlugin::instance();
    if (!plugin)
        return;
    const QMetaObject *source = plugin->metaObject();
    const int signal = source->indexOfSignal(
        QMetaObject::normalizedSignature("configError(KorvanDebugger::Configuration::PythonError)").constData());
    const int slot = methodIndex(metaObject(), "setError(KorvanDebugger::Configuration::PythonError)");
    if (signal != -1 && slot != -1)
        connect(plugin, source->method(signal), this, metaObject()->method(slot));
}

bool ClassList::setError(PythonError error)
{
    if (m_errorPending)
        return false;
    if (error.takeFirstApi() != Key::classes)
        return false;
    const QString group = error.takeFirstApi();
    const QString className = error.takeFirstApi();
    // findEntry answers only for the class itself, never for the neighbour
    // in sort order where such a class would stand.
    const int row = classModel()->findEntry(group, className);
    if (row == -1)
        return false;
    classModel()->expandGroup(displayGroupName(group));
    m_model->setCurrentRow(row);
    m_errorPending = true;
    // The error comes through a signal (possibly while a dialog opens): the
    // edit waits until that has returned.
    QTimer::singleShot(0, this, [this, error] { editErrorEntry(error); });
    return true;
}

void ClassList::editErrorEntry(PythonError error)
{
    m_model->editAction(ConfigurationWizardTypes::ClassDefinition, &error);
    // Once the page has been applied, nothing else would save this edit.
    if (!KorvanDebugger::Internal::optionsPageOpen) {
        if (const QSharedPointer<QJsonObject> document
            = KorvanDebugger::Internal::KorvanDebuggerPlugin::getConfiguration()) {
            document->insert(Key::classes, QJsonArray(m_model->entries()));
            saveConfigurationFile(*document, Key::prettyPrintersDocument);
        }
    }
    m_errorPending = false;
}

void ClassList::syncButton()
{
    enableButton(m_cloneButton, currentRow() != -1);
    ConfigurationListBase::syncButton();
}

PythonCode ClassList::generate()
{
    static ConfigurationWizardGenerator classGenerator(Key::tmp, ConfigurationWizardGenerator::ClassDefinition);
    return generateEntries(classGenerator, false);
}

} // namespace Configuration
} // namespace KorvanDebugger

#include "configurationwizard.h"

#include "accessorinput.h"
#include "configurationlist.h"
#include "enumfield.h"
#include "exclusivechoice.h"
#include "fieldinput.h"
#include "generalaccessor.h"
#include "optionseditors.h"
#include "pythoneditor.h"

#include "configuration/accessorinputgenerator.h"
#include "configuration/configurationwizardgenerator.h"
#include "configuration/jsonhelpers.h"
#include "configuration/keys.h"
#include "configuration/pythonerror.h"
#include "plugin/korvandebuggerplugin.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedLayout>
#include <QToolButton>
#include <QWhatsThis>

namespace KorvanDebugger {
namespace Configuration {

namespace {

// Page ids; 9, 14 and 15 are also the start pages of the operating modes.
enum PageId {
    NoPage = 0,
    BooleanPage = 1,
    EnumerationPage = 2,
    ArrayPage = 3,
    LinkedPage = 4,
    CombinedTarget = 5,
    ArraysToMapTarget = 6,
    PseudoContainerTarget = 7,
    FieldPage = 9,
    ContainerOptionsPage = 10,
    ItemNamingPage = 11,
    KeyPage = 12,
    ValuePage = 13,
    ClassPage = 14,
    CustomizationPage = 15,
};

const char changedSignal[] = "2changed()";

// Offers of the rows.
constexpr quint64 textOption = 0x8000;
constexpr quint64 optionalTextOption = 0x4000;
constexpr quint64 addressOptions = 0x2370;
constexpr quint64 optionalAddressOptions = 0x2371;
constexpr quint64 sizeOptions = 0x802370;
constexpr quint64 cellOptions = 0x1c09;
constexpr quint64 conditionOptions = 0x23b1;
constexpr quint64 filterOptions = 0xe0001;
constexpr quint64 fieldTypeOptions = quint64(0x7f000) << 32;
constexpr quint64 featureOptions = quint64(0x3f) << 32;
// Field types that make a container of their own (not a customized one).
constexpr quint64 containerTypes = quint64(0x398000) << 32;

constexpr quint64 word(AccessorKind kind)
{
    return kindWord(kind);
}

// The object that carries a row's change signal: an enumeration row relays
// its editor's; every other row signals through its widget.
QObject *changeSender(BaseInput *row)
{
    if (auto enumRow = dynamic_cast<EnumField *>(row))
        return enumRow->input();
    return row->widget();
}

} // namespace

// ---- HLine -------------------------------------------------------------------

HLine::HLine()
{
    setFrameShape(QFrame::HLine);
    setFrameShadow(QFrame::Sunken);
}

// ---- MyWizardPage --------------------------------------------------------------

MyWizardPage::MyWizardPage(QWidget *parent)
    : QWidget(parent)
{
    auto grid = new QGridLayout(this);
    grid->setAlignment(Qt::AlignTop);
}

void MyWizardPage::addRow(BaseInput *row, const char *signal, bool addToLayout)
{
    QWidget *widget = row->widget();
    auto grid = qobject_cast<QGridLayout *>(layout());
    if (addToLayout && grid && widget)
        grid->addWidget(widget, grid->rowCount(), 0, 1, 4);
    if (QObject *sender = changeSender(row))
        connect(sender, signal, this, SIGNAL(updateWidget()));
    m_rows.append(row);
}

bool MyWizardPage::isComplete() const
{
    bool complete = true;
    for (const BaseInput *row : m_rows)
        complete = row->isValid() && complete; // every row marks itself
    return complete;
}

BaseInput *MyWizardPage::findRow(const QString &key) const
{
    for (BaseInput *row : m_rows) {
        if (row->key() == key)
            return row;
    }
    return nullptr;
}

// ---- ConfigurationWizard: construction -------------------------------------------

ConfigurationWizard::ConfigurationWizard(const QString &key, OperatingMode operatingMode, QWidget *parent)
    : QDialog(parent)
    , BaseInput(key)
    , m_mode(operatingMode)
{
    setWidget(this);

    auto layout = new QVBoxLayout(this);
    m_titleLabel = new QLabel(this);
    m_subtitleLabel = new QLabel(this);
    layout->addWidget(m_titleLabel);
    auto subtitleBox = new QHBoxLayout;
    subtitleBox->addSpacing(20);
    subtitleBox->addWidget(m_subtitleLabel);
    layout->addLayout(subtitleBox);
    layout->addWidget(new HLine);
    m_stack = new QStackedLayout;
    layout->addLayout(m_stack);
    layout->addWidget(new HLine);

    auto buttons = new QHBoxLayout;
    auto whatsThis = new QToolButton(this);
    whatsThis->setDefaultAction(QWhatsThis::createAction(this));
    buttons->addWidget(whatsThis, 0);
    buttons->addStretch(100);
    m_back = new QPushButton(tr("Back"), this);
    m_next = new QPushButton(tr("Next"), this);
    m_finish = new QPushButton(tr("Finish"), this);
    m_delete = new QPushButton(tr("Delete"), this);
    m_cancel = new QPushButton(tr("Cancel"), this);
    for (QPushButton *button : {m_back, m_next, m_finish, m_delete, m_cancel}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    for (QPushButton *button : {m_back, m_next, m_finish, m_delete})
        buttons->addWidget(button, 1, Qt::AlignRight);
    buttons->addStretch(5);
    buttons->addWidget(m_cancel, 1, Qt::AlignRight);
    layout->addLayout(buttons);
    m_delete->hide();

    connect(m_next, &QPushButton::clicked, this, &ConfigurationWizard::goToNext);
    connect(m_back, &QPushButton::clicked, this, &ConfigurationWizard::goToPrevious);
    connect(m_cancel, &QPushButton::clicked, this, &ConfigurationWizard::reject);
    connect(m_finish, &QPushButton::clicked, this, &ConfigurationWizard::accept);
    connect(m_delete, &QPushButton::clicked, this, [this] { done(Deleted); });

    buildFieldPages();
    buildContainerPages();
    buildClassPage();
    buildCustomizationPage();
    // The plural follows the default singular from the start.
    syncItemNames();

    switch (m_mode) {
    case FieldDefinition:
        goToPage(FieldPage);
        break;
    case ClassDefinition:
        goToPage(ClassPage);
        break;
    case Container1DCustomization:
    case Container2DCustomization:
        goToPage(CustomizationPage);
        break;
    default:
        break;
    }
    installHelp();
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
}

ConfigurationWizard::~ConfigurationWizard()
{
    // The rows go first, while the wizard is whole: nothing they signal on
    // their way out may reach a half-destroyed wizard.
    for (MyWizardPage *page : qAsConst(m_pages))
        page->disconnect(this);
    m_customization->disconnect(this);
    qDeleteAll(m_pages);
    m_pages.clear();
}

MyWizardPage *ConfigurationWizard::newPage(int id, const QString &title, const QString &subtitle)
{
    auto page = new MyWizardPage(this);
    addPage(id, page, title, subtitle);
    return page;
}

AccessorField *ConfigurationWizard::addField(MyWizardPage *page, quint64 options, const QString &label,
                                            const QString &key)
{
    auto row = new AccessorField(options, label, key, page);
    row->setParent(page);
    page->addRow(row, changedSignal, false);
    return row;
}

void ConfigurationWizard::setDefaultText(AccessorField *row, const QString &text)
{
    QJsonObject object;
    row->setValue(jsonInsert(object, row->key(), text), true);
}

void ConfigurationWizard::addPage(int id, MyWizardPage *page, const QString &title, const QString &subtitle)
{
    page->title = title;
    page->subtitle = subtitle;
    m_pages.insert(id, page);
    m_pageIndex.insert(id, m_stack->addWidget(page));
    connect(page, &MyWizardPage::updateWidget, this, &ConfigurationWizard::synchronize);
}

void ConfigurationWizard::buildFieldPages()
{
    MyWizardPage *field = newPage(FieldPage, tr("Field General Definition"),
                                  tr("Please enter main options used to define a field:"));
    m_type = addField(field, fieldTypeOptions, tr("Field Type"), Key::type);
    m_model = addField(field, textOption, tr("Model Name"), Key::model);
    m_displayedName = addField(field, textOption, tr("Displayed Name"), Key::displayedName);
    m_userNode = addField(field, optionalTextOption, tr("User Note"), Key::userNode);
    m_accessor = new GeneralAccessor(tr("Accessor"), Key::accessor, field, false);
    field->addRow(m_accessor, changedSignal, true);
    m_model->setVisible(false);
    connect(field, &MyWizardPage::updateWidget, this, [this] {
        const bool modelled = syncTypesAndModel();
        m_model->setVisible(modelled);
        m_displayedName->setVisible(!modelled);
        synchronize();
    });

    MyWizardPage *boolean = newPage(BooleanPage, tr("Boolean"), tr("Please enter the Boolean translation rules:"));
    m_trueValue = addField(boolean, textOption, tr("True"), Key::trueValue);
    m_falseValue = addField(boolean, textOption, tr("False"), Key::falseValue);
    setDefaultText(m_trueValue, QStringLiteral("True"));
    setDefaultText(m_falseValue, QStringLiteral("False"));

    MyWizardPage *enumeration = newPage(EnumerationPage, tr("Enumeration"),
                                        tr("Please enter the enumeration description:"));
    m_fieldEnumeration = new EnumField(QString(), Key::enumeration, nullptr);
    m_fieldEnumeration->setParent(enumeration);
    enumeration->addRow(m_fieldEnumeration, changedSignal, true);

    MyWizardPage *array = newPage(ArrayPage, tr("Array Definition"),
                                  tr("Please enter the main element defining an array-like container:"));
    m_arrayBase = addField(array, addressOptions, tr("Array Base"), Key::arrayBase);
    m_arraySize = addField(array, sizeOptions, tr("Array Size"), Key::arraySize);
    m_cellDefinition = addField(array, cellOptions, tr("Cell Definition"), Key::cellDefinition);
    m_invalidCondition = addField(array, conditionOptions, tr("Invalid If"), Key::invalidCondition);
    m_overflowSpace = addField(array, conditionOptions, tr("Overflow Space"), Key::overflowSpace);
    m_arrayNbElement = addField(array, optionalAddressOptions, tr("Nb Elements"), Key::nbElement);
    m_arrayNbElement->setVisible(false);
    connect(array, &MyWizardPage::updateWidget, this, [this] {
        const qint64 none = qint64(word(AccessorKind::KindNone));
        m_arrayNbElement->setVisible(m_invalidCondition->input()->typeFlags(-1) != none
                                     || m_overflowSpace->input()->typeFlags(-1) != none);
    });

    MyWizardPage *linked = newPage(LinkedPage, tr("Map/List Definition"),
                                   tr("Please enter the main element defining a container based on linked cells:"));
    m_linkedBase = addField(linked, addressOptions, tr("1<sup>st</sup> Cell"), Key::linkedBase);
    m_left = addField(linked, addressOptions, tr("Left Cell"), Key::left);
    m_right = addField(linked, optionalAddressOptions, tr("Right Cell"), Key::right);
    m_nodeDefinition = addField(linked, cellOptions, tr("Node Definition"), Key::nodeDefinition);
    m_endCondition = addField(linked, conditionOptions, tr("End Condition"), Key::endCondition);
    m_linkedNbElement = addField(linked, optionalAddressOptions, tr("Nb Elements"), Key::nbElement);
    // The printers walk a list through its left or its right cell: one of
    // the two is needed, and a list with a right cell needs no left one.
    connect(linked, &MyWizardPage::updateWidget, this, [this] {
        m_left->input()->setBlankAllowed(m_right->input()->typeFlags(-1) != qint64(word(AccessorKind::KindNone)));
        synchronize();
    });
}

void ConfigurationWizard::buildContainerPages()
{
    MyWizardPage *options = newPage(ContainerOptionsPage, tr("Container Options"),
                                    tr("Please enter the dimension of the container (1-D or 2-D):"));
    m_dimension = new ExclusiveChoice(tr("Size"), Key::dimension, options, true);
    m_dimension->addChoice(tr("1-D"), 1, "1D", tr("The container is a 1-D container: Value only."));
    m_dimension->addChoice(tr("2-D"), 2, "2D",
                           tr("The container is a 2-D associative container: Key and Value."));
    options->addRow(m_dimension, changedSignal, true);
    m_dimension->setCurrentId(1);

    MyWizardPage *naming = newPage(ItemNamingPage, tr("Container item naming"),
                                   tr("Please enter the wording used to design the entry of the container.\n"
                                      "You may enter singular and plurial forms:"));
    m_itemName = addField(naming, textOption, tr("Singular"), Key::itemName);
    m_itemsName = addField(naming, textOption, tr("Plurial"), Key::itemsName);
    setDefaultText(m_itemName, QStringLiteral("item"));
    setDefaultText(m_itemsName, QStringLiteral("items"));
    // The plural may change validity after the page's own synchronisation.
    connect(naming, &MyWizardPage::updateWidget, this, [this] {
        syncItemNames();
        synchronize();
    });

    MyWizardPage *keyPage = newPage(KeyPage, tr("Key Decoding rule"), tr("Please enter the key definition:"));
    m_key = new GeneralAccessor(tr("Key"), Key::key, keyPage, true);
    keyPage->addRow(m_key, changedSignal, true);

    MyWizardPage *valuePage = newPage(ValuePage, tr("Value Decoding Rule"), tr("Please enter the value definition:"));
    m_value = new GeneralAccessor(tr("Value"), Key::value, valuePage, true);
    valuePage->addRow(m_value, changedSignal, true);
}

void ConfigurationWizard::buildClassPage()
{
    MyWizardPage *page = newPage(ClassPage, tr("Class/Struct"), tr("Please enter the class/struct definition:"));
    m_group = addField(page, word(AccessorKind::GroupName), tr("Group Name"), Key::group);
    m_className = addField(page, word(AccessorKind::TemplateType), tr("Class Name"), Key::className);
    m_feature = addField(page, featureOptions, tr("Feature"), Key::feature);
    m_header = new GeneralAccessor(tr("Header"), Key::header, page, false);
    page->addRow(m_header, changedSignal, true);
    m_string = new StringOptions(page);
    page->addRow(m_string, changedSignal, true);
    m_bitArray = new BitArrayOptions(page);
    page->addRow(m_bitArray, changedSignal, true);
    m_fieldList = new FieldList(Key::fields, m_feature->input(), page);
    m_fieldList->addButtons();
    m_fields.reset(new FieldInput<FieldList>(QString(), m_fieldList, page));
    page->addRow(m_fields.get(), changedSignal, false);
    m_classEnumeration = new EnumField(QString(), Key::enumeration, nullptr);
    m_classEnumeration->setParent(page);
    page->addRow(m_classEnumeration, changedSignal, true);
    connect(page, &MyWizardPage::updateWidget, this, &ConfigurationWizard::updateClassRows);
    updateClassRows();
}

void ConfigurationWizard::updateClassRows()
{
    const quint64 feature = quint64(m_feature->input()->typeFlags(-1));
    const auto is = [feature](std::initializer_list<AccessorKind> kinds) {
        for (AccessorKind kind : kinds) {
            if (feature == word(kind))
                return true;
        }
        return false;
    };
    // The printers of an enumeration class use the header too (a flag
    // class reaches its integer through it), so it stays editable there.
    m_header->setVisible(
        is({AccessorKind::FeatureClass, AccessorKind::FeatureWrapper, AccessorKind::FeatureEnumeration}));
    // An enumeration's own value is its default header: one is never required.
    m_header->setOptional(is({AccessorKind::FeatureEnumeration}));
    m_string->setVisible(is({AccessorKind::FeatureString}));
    m_bitArray->setVisible(is({AccessorKind::FeatureBitArray}));
    m_fields->setVisible(
        is({AccessorKind::FeatureClass, AccessorKind::FeatureContainer, AccessorKind::FeatureString}));
    const bool enumeration = is({AccessorKind::FeatureEnumeration});
    m_classEnumeration->setVisible(enumeration);
    m_classEnumeration->widget()->setVisible(enumeration);
}

void ConfigurationWizard::buildCustomizationPage()
{
    MyWizardPage *page = newPage(CustomizationPage, tr("Customization Options"),
                                 tr("Please enter option used to customize the container display:"));
    m_scope = new ExclusiveChoice(tr("scope"), Key::scope, page, false);
    m_scope->addChoice(tr("Everywhere"), 0x1000, "General", tr("The customization applies to all API context."));
    m_scope->addChoice(QString(), 0x2000, "Local", tr("The customization applies exclusively to this API."));
    m_customization = new ExclusiveChoice(tr("Customization Options"), Key::customization, page, true);
    m_keyCustom = new GeneralAccessor(tr("Customized Key"), Key::keyCustom, page, true);
    m_valueCustom = new GeneralAccessor(tr("Customized Value"), Key::valueCustom, page, true);
    page->addRow(m_scope, changedSignal, true);
    page->addRow(m_customization, changedSignal, true);
    page->addRow(m_keyCustom, changedSignal, true);
    page->addRow(m_valueCustom, changedSignal, true);
    m_filter = addField(page, filterOptions, tr("Filter"), Key::filter);

    if (m_mode == FieldDefinition)
        m_scope->setVisible(false);
    connect(m_customization, &ExclusiveChoice::changed, this, &ConfigurationWizard::updateCustomizedRows);
    setCustomizationKind(m_mode);
    updateCustomizedRows();
}

void ConfigurationWizard::updateCustomizedRows()
{
    const int id = m_customization->currentId();
    m_keyCustom->setVisible(id == 2 || id == 16 || id == 32 || id == 128 || id == 256);
    m_valueCustom->setVisible(id != 32);
}

void ConfigurationWizard::setCustomizationKind(int kind)
{
    if (kind != m_customizationKind) {
        m_customizationKind = kind;
        m_customization->clearChoices();
        if (kind == Container1DCustomization) {
            m_customization->addChoice(tr("1-D"), 1, "1D",
                                       tr("the customized container is a 1-D container: Value only.<br>"
                                          "The value may be edited."));
            m_customization->addChoice(tr("2-D"), 2, "2D",
                                       tr("The customized container is a 2-D associative container: Key and "
                                          "Value.<br>Both the key and the value are constructed from the actual "
                                          "value of the original 1-D container."));
            m_customization->setCurrentId(1);
        } else if (kind == Container2DCustomization) {
            const QString twoD = tr("The customized container is a 2-D associative container: Key and Value.<br>");
            const QString oneD = tr("The customized container is a 1-D container: Value.<br>");
            m_customization->addChoice(tr("2-D"), 2, "2D",
                                       twoD + tr("The customized key is built from the actual key.<br>"
                                                 "The customized value is built from the actual value."));
            m_customization->addChoice(tr("2-D Swap Key-Value"), 16, "Swap",
                                       twoD + tr("The customized key is built from the actual value.<br>"
                                                 "The customized value is built from the actual key."));
            m_customization->addChoice(tr("2-D from Key"), 128, "Key2D",
                                       twoD + tr("The customized key is built from the actual key.<br>"
                                                 "The customized value is built from the actual key."));
            m_customization->addChoice(tr("2-D from Value"), 256, "Value2D",
                                       twoD + tr("The customized key is built from the actual value.<br>"
                                                 "The customized value is built from the actual value."));
            m_customization->addChoice(tr("1-D: Key Only"), 32, "Key",
                                       oneD + tr("The customized value is built from the actual key."));
            m_customization->addChoice(tr("1-D: Value Only"), 64, "Value",
                                       oneD + tr("The customized value is built from the actual value."));
            m_customization->setCurrentId(2);
        }
    }
    m_customization->setWhatsThis(
        tr("The effective dimension of a container is totally independant of the actual "
           "C&#x2060;/&#x2060;C&#x2060;+&#x2060;+ container. Take a list of objects holding many fields: any of "
           "these fields may serve as the key or as the value, and so turn a 1-D container into a 2-D one, or "
           "the reverse.<br>The <i>Customization Options</i> play with this notion to alter the way the "
           "container content is displayed.<br>The supported new dimensions for the container are:<ul>")
        + m_customization->choiceHelp() + QStringLiteral("</ul>"));
}

void ConfigurationWizard::customizationHelp(const QString &localText)
{
    m_scope->addChoice(localText, 0x2000, nullptr, QString());
    m_scope->setWhatsThis(
        tr("Container customization are used to specifically adapt the way container content is displayed based "
           "on a particular context.<br>The context is the variable name and its <i>scope</i>: the API where the "
           "variable is defined. The scope is either one API or global, global meaning all the variables of the "
           "same name and type in any API.<br>The supported scopes are:<ul>")
        + m_scope->choiceHelp() + QStringLiteral("</ul>"));
}

// ---- ConfigurationWizard: page flow ----------------------------------------------

int ConfigurationWizard::nextPage() const
{
    switch (m_currentPage) {
    case FieldPage: {
        const quint64 type = fieldType();
        const std::pair<AccessorKind, int> flow[] = {
            {AccessorKind::TypeStandard, NoPage},
            {AccessorKind::TypeBoolean, BooleanPage},
            {AccessorKind::TypeEnum, EnumerationPage},
            {AccessorKind::TypeArray, ArrayPage},
            {AccessorKind::TypeLinked, LinkedPage},
            {AccessorKind::TypeFromBaseClass, NoPage},
            {AccessorKind::TypeCustomizedContainer, CustomizationPage},
            {AccessorKind::TypeCombined, CombinedTarget},
            {AccessorKind::TypeArraysToMap, ArraysToMapTarget},
            {AccessorKind::TypeSpeudoContainer, PseudoContainerTarget},
        };
        for (const auto &step : flow) {
            if (type == word(step.first))
                return step.second;
        }
        return NoPage;
    }
    case ArrayPage:
    case LinkedPage:
    case CombinedTarget:
    case PseudoContainerTarget:
        return ContainerOptionsPage;
    case ArraysToMapTarget:
        m_dimension->setValue(QJsonObject{{Key::dimension, QStringLiteral("2D")}}, true);
        return KeyPage;
    case ContainerOptionsPage:
        return ItemNamingPage;
    case ItemNamingPage:
        return m_dimension->currentId() == 1 ? ValuePage : KeyPage;
    case KeyPage:
        return m_dimension->currentId() == 2 ? ValuePage : NoPage;
    default:
        return NoPage;
    }
}

void ConfigurationWizard::showPage(int id)
{
    m_currentPage = id;
    m_stack->setCurrentIndex(m_pageIndex.value(id, 0));
}

QWidget *ConfigurationWizard::shownPage() const
{
    return m_stack->currentWidget();
}

void ConfigurationWizard::goToPage(int id)
{
    m_firstPage = id;
    m_history.append(NoPage);
    showPage(id);
    synchronize();
}

bool ConfigurationWizard::goToNext()
{
    const int next = nextPage();
    if (next == NoPage)
        return false;
    m_history.append(m_currentPage);
    showPage(next);
    synchronize();
    return true;
}

bool ConfigurationWizard::goToPrevious()
{
    if (m_history.isEmpty() || m_history.last() == NoPage)
        return false;
    showPage(m_history.takeLast());
    synchronize();
    return true;
}

void ConfigurationWizard::synchronize()
{
    m_back->setEnabled(m_currentPage != m_firstPage);
    const int next = nextPage();
    m_finish->setVisible(next == NoPage);
    m_next->setVisible(next != NoPage);
    bool complete = false;
    if (MyWizardPage *current = m_pages.value(m_currentPage)) {
        complete = current->isComplete();
        m_titleLabel->setText(QStringLiteral("<b>%1</b>").arg(current->title));
        m_subtitleLabel->setText(current->subtitle);
    }
    m_finish->setEnabled(complete);
    m_next->setEnabled(complete);

    if (m_currentPage == m_firstPage) {
        m_back->setToolTip(tr("Option is not available: You are already on the first page of the wizard."));
    } else {
        const MyWizardPage *previous = m_history.isEmpty() ? nullptr : m_pages.value(m_history.last());
        m_back->setToolTip(tr("Move back to the <i>%1</i> page").arg(previous ? previous->title : QString()));
    }
    if (next == NoPage) {
        m_next->setToolTip(tr("Option is not available: You are already on the last page of the wizard."));
        m_finish->setToolTip(tr("Use this option to complete the operation and validate your choices."));
    } else {
        const MyWizardPage *target = m_pages.value(next);
        m_next->setToolTip(tr("Move forward to the <i>%1</i> page").arg(target ? target->title : QString()));
        m_finish->setToolTip(tr("Option is not available: You have not completed the wizard."));
    }
    m_delete->setToolTip(tr("Delete the current customization."));
    m_cancel->setToolTip(tr("Cancel all the changes you just made and return to the previous configuration state."));
}

void ConfigurationWizard::showDeleteButton(bool show)
{
    m_delete->setVisible(show);
}

void ConfigurationWizard::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    synchronize();
}

// ---- ConfigurationWizard: rows ---------------------------------------------------

BaseInput *ConfigurationWizard::row(int pageId, const QString &key) const
{
    const MyWizardPage *page = m_pages.value(pageId);
    return page ? page->findRow(key) : nullptr;
}

AccessorField *ConfigurationWizard::accessorRow(int pageId, const QString &key) const
{
    return dynamic_cast<AccessorField *>(row(pageId, key));
}

ExclusiveChoice *ConfigurationWizard::choiceRow(const QString &key) const
{
    for (ExclusiveChoice *choice : {m_dimension, m_scope, m_customization}) {
        if (choice->key() == key)
            return choice;
    }
    return nullptr;
}

EnumField *ConfigurationWizard::enumerationRow(int pageId) const
{
    return pageId == ClassPage ? m_classEnumeration : pageId == EnumerationPage ? m_fieldEnumeration : nullptr;
}

// ---- ConfigurationWizard: value, loading and errors -----------------------------------

quint64 ConfigurationWizard::fieldType() const
{
    return quint64(m_type->input()->typeFlags(-1));
}

void ConfigurationWizard::merge(QJsonObject &result, const BaseInput *row) const
{
    jsonMergeMissing(result, inputValueAsObject(*row));
}

void ConfigurationWizard::mergeCustomizedRows(QJsonObject &result) const
{
    switch (m_customization->currentId()) {
    case 1:
    case 64:
        merge(result, m_valueCustom);
        break;
    case 32:
        merge(result, m_keyCustom);
        break;
    case 2:
    case 16:
    case 128:
    case 256:
        merge(result, m_keyCustom);
        merge(result, m_valueCustom);
        break;
    default:
        break;
    }
}

void ConfigurationWizard::mergeFieldRows(QJsonObject &result) const
{
    const quint64 type = fieldType();
    merge(result, m_type);
    merge(result, m_accessor);
    if (type != word(AccessorKind::TypeFromBaseClass) && type != word(AccessorKind::TypeCustomizedContainer)) {
        merge(result, m_displayedName);
        merge(result, m_userNode);
    } else {
        // Hidden for these kinds, the rows cannot have been changed: what
        // was stored under their keys stays.
        for (const QString &key : {Key::displayedName, Key::userNode}) {
            if (m_loaded.contains(key))
                result.insert(key, m_loaded.value(key));
        }
    }
    if (type == word(AccessorKind::TypeBoolean)) {
        merge(result, m_trueValue);
        merge(result, m_falseValue);
    } else if (type == word(AccessorKind::TypeLinked)) {
        for (const BaseInput *row : {m_linkedBase, m_right, m_left, m_nodeDefinition, m_endCondition,
                                     m_linkedNbElement})
            merge(result, row);
    } else if (type == word(AccessorKind::TypeEnum)) {
        merge(result, m_fieldEnumeration);
    } else if (type == word(AccessorKind::TypeArray)) {
        for (const BaseInput *row : {m_arrayBase, m_arraySize, m_cellDefinition, m_invalidCondition,
                                     m_overflowSpace, m_arrayNbElement})
            merge(result, row);
    } else if (type == word(AccessorKind::TypeFromBaseClass)) {
        merge(result, m_model);
    } else if (type == word(AccessorKind::TypeCustomizedContainer)) {
        merge(result, m_customization);
        mergeCustomizedRows(result);
        merge(result, m_filter);
        merge(result, m_model);
    }
    if (type & containerTypes) {
        merge(result, m_dimension);
        if (m_dimension->currentId() == 2)
            merge(result, m_key);
        merge(result, m_itemName);
        merge(result, m_itemsName);
        merge(result, m_value);
    }
}

void ConfigurationWizard::mergeClassRows(QJsonObject &result) const
{
    merge(result, m_className);
    merge(result, m_feature);
    if (m_header->shown())
        merge(result, m_header);
    if (m_string->shown())
        merge(result, m_string);
    if (m_bitArray->shown())
        merge(result, m_bitArray);
    if (m_classEnumeration->input()->shown())
        merge(result, m_classEnumeration);
    else
        merge(result, m_fields.get());
    merge(result, m_group);
}

QList<BaseInput *> ConfigurationWizard::allRows() const
{
    QList<BaseInput *> rows;
    for (const MyWizardPage *page : m_pages)
        rows += page->rows();
    return rows;
}

QJsonValue ConfigurationWizard::value() const
{
    QJsonObject result;
    switch (m_mode) {
    case FieldDefinition:
        mergeFieldRows(result);
        break;
    case ClassDefinition:
        mergeClassRows(result);
        break;
    case Container1DCustomization:
    case Container2DCustomization:
        merge(result, m_customization);
        merge(result, m_scope);
        mergeCustomizedRows(result);
        merge(result, m_filter);
        mergeFieldRows(result);
        break;
    default:
        break;
    }
    if (!m_enable)
        result.insert(Key::enable, false);
    if (m_mode != FieldDefinition && m_mode != ClassDefinition && m_mode != Container1DCustomization
        && m_mode != Container2DCustomization)
        return result;
    // What the rows do not stand for ("tip", "enable" as stored, ...) goes
    // back as loaded; a key a row stands for is written only by that row.
    return keepUnownedKeys(m_loaded, allRows(), result);
}

void ConfigurationWizard::setValue(const QJsonObject &object, bool byKey)
{
    const QJsonObject definition = byKey ? object.value(key()).toObject() : object;
    m_loaded = definition;

    const QList<BaseInput *> loadedFirst = {m_className, m_feature, m_header, m_string, m_bitArray,
                                            m_fields.get(), m_group, m_classEnumeration, m_type};
    const QList<BaseInput *> loadedBetween = {m_dimension, m_model};
    const QList<BaseInput *> loadedLast
        = {m_accessor,   m_displayedName,    m_userNode,       m_trueValue,      m_falseValue,
           m_fieldEnumeration, m_arrayBase, m_arraySize,     m_cellDefinition, m_invalidCondition,
           m_overflowSpace,    m_arrayNbElement, m_linkedBase, m_right,          m_left,
           m_nodeDefinition,   m_endCondition,   m_key,        m_itemName,       m_itemsName,
           m_value,            m_keyCustom,      m_valueCustom, m_filter};

    // The second "nbElement" row shares its key with the array page's; it is
    // loaded but, like the two choices of the customization page, stays
    // unblocked.
    QVector<QPair<QObject *, bool>> blocked;
    for (const QList<BaseInput *> *rows : {&loadedFirst, &loadedBetween, &loadedLast}) {
        for (BaseInput *row : *rows) {
            if (QObject *sender = changeSender(row))
                blocked.append({sender, sender->blockSignals(true)});
        }
    }

    for (BaseInput *row : loadedFirst)
        row->setValue(definition, true);
    syncTypesAndModel();
    for (BaseInput *row : loadedBetween)
        row->setValue(definition, true);
    syncTypesAndModel();
    if (fieldType() == word(AccessorKind::TypeCustomizedContainer) && m_customizationKind != Container1DCustomization
        && m_customizationKind != Container2DCustomization) {
        // The customized class is not on the options page (renamed, removed
        // or no page open): its choices are taken from the loaded one, so
        // that editing the field keeps its customization.
        const QString loaded = definition.value(Key::customization).toString();
        if (!loaded.isEmpty())
            setCustomizationKind(loaded == QLatin1String("1D") ? Container1DCustomization : Container2DCustomization);
    }
    for (BaseInput *row : loadedLast)
        row->setValue(definition, true);
    m_linkedNbElement->setValue(definition, true);
    // A class stored without a header shows its value unchanged, and so does
    // a customization without its customized key or value: what the
    // printers apply to the absent entry is the value itself.
    for (GeneralAccessor *accessor : {m_header, m_keyCustom, m_valueCustom})
        showIdentityWhenAbsent(accessor, definition);
    showDefaultWhenAbsent(m_trueValue, definition, QStringLiteral("True"));
    showDefaultWhenAbsent(m_falseValue, definition, QStringLiteral("False"));
    showDefaultWhenAbsent(m_itemName, definition, QStringLiteral("item"));
    showDefaultWhenAbsent(m_itemsName, definition, QStringLiteral("items"));

    m_scope->addChoice(definition.value(Key::className).toObject().value(Key::api).toString(), 0x2000, nullptr,
                       QString());
    m_scope->setValue(definition, true);
    m_customization->setValue(definition, true);

    for (int i = blocked.size() - 1; i >= 0; --i)
        blocked.at(i).first->blockSignals(blocked.at(i).second);

    const QJsonValue enable = definition.value(Key::enable);
    m_enable = enable.isBool() ? enable.toBool() : true;
    // The plural keeps following the singular only as loaded: a loaded pair
    // is never rewritten by the reactions below.
    m_rememberedSingular = m_itemName->input()->shownValue().toString();

    for (MyWizardPage *page : qAsConst(m_pages))
        emit page->updateWidget();
    synchronize();
}

PythonCode ConfigurationWizard::generate()
{
    ConfigurationWizardGenerator generator(key(), m_mode);
    generator.setValue(inputValueAsObject(*this), true);
    return generator.generate();
}

bool ConfigurationWizard::showError(PythonError *error)
{
    if (!error)
        return false;
    const QString name = error->takeFirstApi();
    if (name.isEmpty())
        return false;
    for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it) {
        if (!it.value())
            continue;
        BaseInput *found = it.value()->findRow(name);
        if (!found)
            continue;
        bool reached = true;
        while (m_currentPage != it.key()) {
            if (!goToNext()) {
                while (goToPrevious()) {
                }
                reached = false;
                break;
            }
        }
        if (reached)
            return found->showError(error);
    }
    return false;
}

bool ConfigurationWizard::syncTypesAndModel()
{
    const quint64 type = fieldType();
    // The model name entered stays when the kind of name asked changes.
    const auto offerModel = [this](AccessorKind kind) {
        AccessorInput *model = m_model->input();
        const QString name = model->textEdit()->text();
        if (model->optionMask() == word(kind))
            return;
        model->buildOptionMenu(word(kind));
        if (!name.isEmpty() && model->textEdit()->text().isEmpty()) {
            QJsonObject object;
            m_model->setValue(jsonInsert(object, Key::model, name), true);
        }
    };
    if (type == word(AccessorKind::TypeFromBaseClass)) {
        offerModel(AccessorKind::ClassName);
        return true;
    }
    if (type != word(AccessorKind::TypeCustomizedContainer))
        return false;
    offerModel(AccessorKind::ContainerClassName);
    const QString className = m_model->value().toString();
    QJsonObject definition;
    if (auto plugin = KorvanDebugger::Internal::KorvanDebuggerPlugin::instance())
        definition = plugin->findEditedClassDefinition(className);
    // The feature is a class-feature word: expected as such, or "Container"
    // would not be told from any other text.
    AccessorInputGenerator feature(Key::feature, 0, highHalf(AccessorKind::FeatureClass));
    feature.setValue(definition, true);
    if (feature.kind == AccessorKind::FeatureContainer) {
        ConfigurationWizardGenerator model(Key::tmp, ClassDefinition);
        model.setValue(definition, false);
        setCustomizationKind(model.containerDimension() == 1 ? Container1DCustomization : Container2DCustomization);
    }
    return true;
}

void ConfigurationWizard::showIdentityWhenAbsent(GeneralAccessor *accessor, const QJsonObject &definition)
{
    if (definition.contains(accessor->key()))
        return;
    QJsonObject identity;
    accessor->accessorRow()->setValue(jsonInsert(identity, Key::accessor, QJsonObject{{Key::Field, QStringLiteral(".")}}),
                                      true);
    accessor->accessorRow()->input()->markAbsent();
}

void ConfigurationWizard::showDefaultWhenAbsent(AccessorField *row, const QJsonObject &definition,
                                                 const QString &text)
{
    if (definition.contains(row->key()))
        return;
    setDefaultText(row, text);
    row->input()->markAbsent();
}

void ConfigurationWizard::syncItemNames()
{
    const QString singular = m_itemName->input()->shownValue().toString();
    QString plural = m_itemsName->input()->shownValue().toString();
    const QString suffix = QStringLiteral("s");
    if (plural.isEmpty() && !singular.isEmpty())
        plural = singular + suffix;
    if (singular != m_rememberedSingular && plural == m_rememberedSingular + suffix)
        plural = singular + suffix;
    // Loading the unchanged text would turn an absent plural into an empty one.
    if (plural != m_itemsName->input()->shownValue().toString()) {
        // A plural loaded as absent is back on its text entry to take one.
        const qint64 text = qint64(word(AccessorKind::TextAlternative));
        if (m_itemsName->input()->currentOption() != text)
            m_itemsName->input()->buildOptionEditors(text, false);
        QJsonObject object;
        m_itemsName->setValue(jsonInsert(object, Key::itemsName, plural), true);
    }
    m_rememberedSingular = singular;
}

} // namespace Configuration
} // namespace KorvanDebugger

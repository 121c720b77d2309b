#include "accessorinput.h"

#include "pythoneditor.h"
#include "savedcombobox.h"

#include "configuration/accessorinputgenerator.h"
#include "configuration/document.h"
#include "configuration/keys.h"

#include <texteditor/textdocument.h>

#include <QComboBox>
#include <QHBoxLayout>
#include <QJsonObject>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace KorvanDebugger {
namespace Configuration {

namespace {

// Menu order; the two template-argument options sit together although
// their bits are far apart.
const AccessorKind menuOrder[] = {
    AccessorKind::KindNone,
    AccessorKind::CppType,
    AccessorKind::TemplateType,
    AccessorKind::ParamType,
    AccessorKind::Field,
    AccessorKind::LambdaExpression,
    AccessorKind::PythonCall,
    AccessorKind::PythonContainerCall,
    AccessorKind::InferiorMethod,
    AccessorKind::InferiorFunction,
    AccessorKind::TemplateArgumentType,
    AccessorKind::TemplateArgumentInt,
    AccessorKind::AsBaseClass,
    AccessorKind::Size,
    AccessorKind::Offset,
    AccessorKind::Text,
    AccessorKind::TextAlternative,
    AccessorKind::GroupName,
    AccessorKind::FilterKey,
    AccessorKind::FilterValue,
    AccessorKind::FilterAPI,
    AccessorKind::ClassName,
    AccessorKind::ContainerClassName,
    AccessorKind::FeatureClass,
    AccessorKind::FeatureContainer,
    AccessorKind::FeatureString,
    AccessorKind::FeatureBitArray,
    AccessorKind::FeatureWrapper,
    AccessorKind::FeatureEnumeration,
    AccessorKind::TypeStandard,
    AccessorKind::TypeBoolean,
    AccessorKind::TypeEnum,
    AccessorKind::TypeArray,
    AccessorKind::TypeLinked,
    AccessorKind::TypeFromBaseClass,
    AccessorKind::TypeCustomizedContainer,
    AccessorKind::TypeCombined,
    AccessorKind::TypeArraysToMap,
    AccessorKind::TypeSpeudoContainer,
};

// The JSON key of the options whose value is {key: text}.
const QString *textObjectKey(AccessorKind kind)
{
    switch (kind) {
    case AccessorKind::CppType: return &Key::CppType;
    case AccessorKind::TemplateType: return &Key::TemplateType;
    case AccessorKind::ParamType: return &Key::ParamType;
    case AccessorKind::Field: return &Key::Field;
    case AccessorKind::LambdaExpression: return &Key::LambdaExpression;
    case AccessorKind::InferiorMethod: return &Key::InferiorMethod;
    case AccessorKind::InferiorFunction: return &Key::InferiorFunction;
    case AccessorKind::FilterKey: return &Key::key;
    case AccessorKind::FilterValue: return &Key::value;
    default: return nullptr;
    }
}

void setGrowingPolicy(QWidget *widget)
{
    widget->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Fixed);
}

} // namespace

AccessorInput::AccessorInput(const QString &key, QWidget *parent)
    : AccessorInput(key, 0, parent)
{
}

AccessorInput::AccessorInput(const QString &key, quint64 options, QWidget *parent)
    : QWidget(parent)
    , BaseInput(key)
    , m_optionCombo(new QComboBox(this))
    , m_optionLabel(new ObjectWithLink<QLabel>(this))
    , m_editorColumn(new QVBoxLayout)
    , m_optionPanel(new QWidget(this))
    , m_textEdit(new QLineEdit(this))
    , m_pythonButton(new ObjectWithLink<QToolButton>(this))
    , m_groupCombo(new SavedComboBox(this))
    , m_firstSpin(new QSpinBox(this))
    , m_secondSpin(new QSpinBox(this))
    , m_templateOptionCombo(new QComboBox)
{
    setWidget(this);
    m_templateOptionCombo->addItem(AccessorInputGenerator::noOptionLabel(), QString());
    m_templateOptionCombo->addItem(AccessorInputGenerator::pointerToLabel(), QStringLiteral("Pointer"));
    m_templateOptionCombo->addItem(AccessorInputGenerator::pointerIfLargeLabel(), QStringLiteral("PointerIfLarge"));
    m_templateOptionCombo->setCurrentIndex(0);
    for (QWidget *control : {static_cast<QWidget *>(m_optionCombo), static_cast<QWidget *>(m_optionLabel),
                             static_cast<QWidget *>(m_textEdit), static_cast<QWidget *>(m_firstSpin),
                             static_cast<QWidget *>(m_secondSpin), static_cast<QWidget *>(m_groupCombo),
                             m_optionPanel, static_cast<QWidget *>(m_pythonButton), static_cast<QWidget *>(this)})
        setGrowingPolicy(control);

    auto panelLayout = new QHBoxLayout(m_optionPanel);
    panelLayout->setMargin(0);
    panelLayout->addWidget(m_optionLabel, 1);
    panelLayout->addWidget(m_firstSpin, 50);
    panelLayout->addWidget(m_secondSpin, 50);
    panelLayout->addWidget(m_textEdit, 100);
    panelLayout->addWidget(m_groupCombo, 100);
    panelLayout->addWidget(m_templateOptionCombo, 0);
    panelLayout->setSizeConstraint(QLayout::SetMinimumSize);

    m_editorColumn->addWidget(m_optionPanel);
    m_editorColumn->addWidget(m_pythonButton);
    m_editorColumn->setSpacing(0);
    m_editorColumn->setMargin(0);

    auto layout = new QHBoxLayout(this);
    layout->setMargin(0);
    layout->addWidget(m_optionCombo, 1);
    layout->addLayout(m_editorColumn, 100);
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    buildOptionMenu(options);
    // "Field" when offered, else the first entry (an empty menu sets up the
    // editors of no option).
    const qint64 field = qint64(kindWord(AccessorKind::Field));
    buildOptionEditors(m_optionIndex.isEmpty() || m_optionIndex.contains(field) ? field : typeFlags(), true);

    connect(m_optionCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &AccessorInput::setType);
    // Picking the entry the menu already shows switches to it too when its
    // editor is not the one shown (a row's starting editor).
    connect(m_optionCombo, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        if (typeFlags(index) != m_option)
            setType(index);
    });
    connect(m_textEdit, &QLineEdit::textChanged, this, [this] { validate(); });
    connect(m_groupCombo, &QComboBox::currentTextChanged, this, [this] { validate(); });
    connect(m_firstSpin, QOverload<int>::of(&QSpinBox::valueChanged), this, [this] { validate(true); });
    connect(m_secondSpin, QOverload<int>::of(&QSpinBox::valueChanged), this, [this] { validate(true); });

    setMaximumHeight(minimumSizeHint().height());
}

AccessorInput::~AccessorInput()
{
    // A check still running has nobody left to report to.
    if (m_checkProcess) {
        m_checkProcess->disconnect(this);
        m_checkProcess->kill();
        m_checkProcess->waitForFinished(1000);
        delete m_checkProcess;
        m_checkProcess = nullptr;
    }
}

void AccessorInput::buildOptionMenu(quint64 mask)
{
    if (mask == m_optionMask)
        return;
    m_optionCombo->clear();
    m_optionIndex.clear();
    QStringList texts;
    for (AccessorKind kind : menuOrder) {
        if (!(mask & kindWord(kind)))
            continue;
        m_optionIndex.insert(qint64(kindWord(kind)), texts.size());
        texts.append(accessorKindLabel(kind));
    }
    if (mask & kindWord(AccessorKind::GroupName))
        m_groupCombo->refresh(QString());
    if (!texts.isEmpty()) {
        const QSignalBlocker blocker(m_optionCombo);
        m_optionCombo->insertItems(0, texts);
        buildOptionEditors(typeFlags(), false);
        m_optionCombo->setVisible(texts.size() > 1);
    }
    m_optionMask = mask;
    m_optionCombo->setToolTip(tr("Select the right option to enter the parameter value."));
    m_optionCombo->setWhatsThis(tr("The following options are available:<ul>%1</ul>").arg(optionHelpList()));
}

void AccessorInput::setType(int index)
{
    buildOptionEditors(typeFlags(index), true);
}

qint64 AccessorInput::typeFlags(int index) const
{
    if (index == -1)
        index = m_optionCombo->currentIndex();
    for (auto it = m_optionIndex.constBegin(); it != m_optionIndex.constEnd(); ++it) {
        if (it.value() == index)
            return it.key();
    }
    return 0;
}

QJsonValue AccessorInput::value() const
{
    if (showsAbsence() || (m_blankAllowed && isBlank()))
        return QJsonValue();
    return shownValue();
}

void AccessorInput::markAbsent()
{
    m_absentOption = m_option;
    m_absentValue = shownValue();
}

bool AccessorInput::showsAbsence() const
{
    return !m_absentValue.isUndefined() && m_option == m_absentOption && shownValue() == m_absentValue;
}

bool AccessorInput::isBlank() const
{
    if (AccessorKind(m_option) == AccessorKind::KindNone)
        return true;
    if (isPythonBodyOption())
        return !m_pythonEditor || m_pythonEditor->bodyText(0).trimmed().isEmpty();
    return !m_textEdit->isHidden() && m_textEdit->text().trimmed().isEmpty();
}

QJsonValue AccessorInput::shownValue() const
{
    const AccessorKind kind = AccessorKind(m_option);
    if (highHalf(kind) != 0)
        return kindWordText(kind).isEmpty() ? QJsonValue() : QJsonValue(kindWordText(kind));

    if (const QString *key = textObjectKey(kind))
        return QJsonObject{{*key, m_textEdit->text()}};

    switch (kind) {
    case AccessorKind::GroupName: {
        // Reading the name adds it to the list every group combo offers.
        m_groupCombo->refresh(m_groupCombo->currentText());
        const QString group = m_groupCombo->currentText();
        return group == displayGroupName(QString()) ? QJsonValue() : QJsonValue(group);
    }
    case AccessorKind::Text:
    case AccessorKind::TextAlternative:
    case AccessorKind::ClassName:
    case AccessorKind::ContainerClassName:
        return m_textEdit->text();
    case AccessorKind::TemplateArgumentType:
        return QJsonObject{{Key::TemplateArgument, m_firstSpin->value()},
                           {Key::TemplateOption, m_templateOptionCombo->currentData().toString()}};
    case AccessorKind::TemplateArgumentInt:
        return QJsonObject{{Key::TemplateArgument, m_firstSpin->value()}};
    case AccessorKind::AsBaseClass:
        return QJsonObject{{Key::AsBaseClass, m_firstSpin->value()}};
    case AccessorKind::Size:
    case AccessorKind::Offset:
        return QJsonObject{{kind == AccessorKind::Size ? Key::Size : Key::Offset,
                            QJsonObject{{Key::Int, m_firstSpin->value()}, {Key::Ptr, m_secondSpin->value()}}}};
    case AccessorKind::PythonCall:
    case AccessorKind::PythonContainerCall:
    case AccessorKind::FilterAPI:
        if (!m_pythonEditor)
            return QJsonValue();
        return QJsonObject{{Key::PythonAPIHeader, m_pythonEditor->signatureText()},
                           {Key::PythonAPIBody, m_pythonEditor->bodyText(0)}};
    default:
        return QJsonValue();
    }
}

void AccessorInput::setValue(const QJsonObject &object, bool byKey)
{
    AccessorInputGenerator stored(key());
    stored.setExpectedKind(AccessorKind(m_option));
    stored.setValue(object, byKey);

    {
        const QSignalBlocker blockText(m_textEdit);
        const QSignalBlocker blockGroup(m_groupCombo);
        const QSignalBlocker blockFirst(m_firstSpin);
        const QSignalBlocker blockSecond(m_secondSpin);
        const QSignalBlocker blockOption(m_templateOptionCombo);
        const QSignalBlocker blockSelf(this);
        // The editor may appear with the loaded option, so its document is
        // blocked once it exists.
        // A missing entry is "None" where the menu offers it; elsewhere the
        // current entry's editor waits, empty, for a value (and reads back as
        // absent while it stays as loaded).
        const bool missing = selectValue(object, byKey).isUndefined();
        qint64 loaded = missing ? qint64(kindWord(AccessorKind::KindNone)) : qint64(kindWord(stored.kind));
        // The two Python calls store the same keys and differ only in their
        // signature, which is loaded as stored: a function of the other form
        // is edited in the one the menu offers.
        const qint64 plainCall = qint64(kindWord(AccessorKind::PythonCall));
        const qint64 containerCall = qint64(kindWord(AccessorKind::PythonContainerCall));
        if (!m_optionIndex.contains(loaded) && (loaded == plainCall || loaded == containerCall))
            loaded = loaded == plainCall ? containerCall : plainCall;
        // Any other stored kind the menu does not offer keeps its own editor,
        // so that nothing stored is lost by opening it; picking an entry
        // replaces it.
        const bool unreadable = missing || stored.kind == AccessorKind::NoKind;
        buildOptionEditors(m_optionIndex.contains(loaded) || !unreadable ? loaded : typeFlags(), true);
        const QSignalBlocker blockDocument(m_pythonEditor && m_pythonEditor->textDocument()
                                               ? static_cast<QObject *>(m_pythonEditor->textDocument())
                                               : nullptr);
        m_textEdit->setText(stored.text);
        m_groupCombo->refresh(stored.groupText);
        m_firstSpin->setValue(stored.intCount);
        m_secondSpin->setValue(stored.ptrCount);
        const int option = m_templateOptionCombo->findText(stored.templateOption);
        if (option >= 0)
            m_templateOptionCombo->setCurrentIndex(option);
        if (m_pythonEditor) {
            m_pythonEditor->setSignatureText(stored.apiHeader);
            m_pythonEditor->setBodyText(stored.apiBody);
        }
        m_valid = true;
        m_absentValue = QJsonValue(QJsonValue::Undefined);
        if (missing)
            markAbsent();
    }
    validate(false);
}

PythonCode AccessorInput::generate()
{
    return PythonCode();
}

} // namespace Configuration
} // namespace KorvanDebugger

#include "accessorinput.h"

#include "pythoneditor.h"
#include "savedcombobox.h"

#include <texteditor/textdocument.h>

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

// What each option of the accessor input shows: caption, controls, ranges,
// help texts, and whether the entry counts as valid right after the switch.

namespace KorvanDebugger {
namespace Configuration {

namespace {

struct OptionText
{
    qint64 flags;
    const char *text;
};

const OptionText toolTips[] = {
    {0x2, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "You can enter C&#x2060;/&#x2060;C&#x2060;+&#x2060;+ struct/class name.<br>Using template is not allo"
            "wed.")},
    {0x4, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "You can enter C&#x2060;/&#x2060;C&#x2060;+&#x2060;+ struct/class name.<br>You can use template insta"
            "ntiation.")},
    {0x8, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "You can enter C&#x2060;/&#x2060;C&#x2060;+&#x2060;+ struct/class name.")},
    {0x10, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "This is used to define the formula used to extract a sub-field.")},
    {0x20, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "Enter the body of the lambda function using Python syntax.")},
    {0x100, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "Enter the class member accessor name. The API signature is <samp>myAPI(void)</samp>.")},
    {0x200, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "Enter the function accessor name. The API signature is <samp>myFunction(myObject*)</samp>.")},
    {0x400, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "You can enter index of the template argument of the object.")},
    {0x800000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "You can enter index of the template argument of the object.\n")},
    {0x800, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "You can enter index of the base object starting from 0.")},
    {0x1000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "You can enter C&#x2060;/&#x2060;C&#x2060;+&#x2060;+ struct/class size.<br>The size is define as the "
            "number of int data type and Pointer data type.")},
    {0x2000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "You can enter data offset from class start position.")},
    {0x4000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "Enter Text")},
    {0x8000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "Enter Text")},
    {0x10000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "Enter a Group name. Each class is clasified into a group.")},
    {0x20000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "This is used to define a filter base on the key.")},
    {0x40000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "This is used to define a filter base on the value.")},
    {0x100000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "Enter the name of a class that is configured through Korvan plugin engine.")},
    {0x200000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "Enter the name of a container class that is configured through Korvan plugin engine.")},
};

const OptionText whatsThisTexts[] = {
    {0x4, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "You can enter C&#x2060;/&#x2060;C&#x2060;+&#x2060;+ struct/class name (Namespace must be specified)."
            "<br>You can use template instantiation following some specific rules:<ul> <li> if a template instant"
            "iation is used, Korvan debugger will try at best to indentify the missing paramters in the template "
            "name and make a match with the real class name.<br>For Example, a model defining a <samp>QList&lt;QP"
            "air&gt;</samp> will apply to any <samp>QList</samp> instantiated using a <samp>QPair</samp>, regardl"
            "essof the real instantiation of the <samp>QPair</samp>.</li><li>Template matching is performed assum"
            "ing that:<ul><li> It is not possible to bypass a template paramter. You may omit paramters starting "
            "from the last one.</li><li> The above rule, applies recursivelly. In the previous example, the <samp"
            ">QPair</samp> is only partially instantiated. You may use <samp>QPair</samp>, <samp>QPair&lt;int&gt;"
            "</samp> or <samp>QPair&lt;int,QString&gt;</samp> for example.</li></ul></li></ul>")},
    {0x8, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "You can use the following special feature to define the C&#x2060;/&#x2060;C&#x2060;+&#x2060;+ struct"
            "/class name  (Namespace must be specified). The name may use the template notation as well. On the t"
            "op of this syntax, it is possible to use special extended syntax: <br><ul><li><b>&lt;&gt;</b>: This "
            "special syntax is used to instantiate the current class with the same argument that the actual class"
            " instantiation. Effect is to override the class name while keeping the template arguments</li><li><b"
            ">\\n</b>: (with n between 0 and 9): this place holder is replaced with the n<sup>th</sup> template a"
            "rgument from the actual class instantiation. First argument has index 0.</li><li><b>\\n[.m]+</b>: In"
            " case the template argument defines multiple level of embedded template, it ispossible to access to "
            "any specific level using this extented syntax.<br>Ex: \\0.1.1 refer to int in myType&lt;QMap&lt;long"
            ",QPair&lt;QString,int&gt;&gt;&gt;</li></ul><br>Note that the above special syntax can be used to def"
            "ine the target class name or any of its template arguments.")},
    {0x400, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "The index is defining which template argument is accessed. The index range from 0 to n. (0 is first "
            "argument).<br>Once extracted, the real argument must be a valid C&#x2060;+&#x2060;+ type.<br>The res"
            "ulting data type may be processed so that it can changed to a pointer. This is an optional operation"
            " that is performed under specific conditions:<ul>  <li><b>No Option</b>: The original data type is u"
            "sed unprocessed.<li>  <li><b>Pointer To</b>: Unconditionally consider using a pointer instead of the"
            " original data type.<li>  <li><b>Pointer If Large</b>: The real data size is considered. If it is sm"
            "aller than a pointer size, the data type is returned unchanged. If it is larger that a pointer size,"
            " a pointer to the data type is returned in place.This feature is used to deal with optimized contain"
            "er that stores small object (smaller than a pointer) in place and large object in deported memory.</"
            "li></ul>")},
    {0x800000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "The index is defining which template argument is accessed. The index range from 0 to n. (0 is first "
            "argument).<br>Once extracted, the real argument must be a integer constant.")},
    {0x800, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "You can enter index of the base object starting from 0.<br>Index <i>0</i> is direct base class, <i>1"
            "</i> is base class of base class, ...")},
    {0x2000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "The data offset feature is used mainly to resolve case of data extraction when the underlying progra"
            "m does not provide correct debugging information so that fields can be accessed through their names."
            " It has to be considered that:<ul>  <li> This feature allows to debug programs without debugging inf"
            "ormation. It is practical for sub-party libraries.</li>  <li> The feature is extremly sensible to an"
            "y code change (like field re-ordering) and thus is not easy to maintain.</li>  <li> Data size is har"
            "dware dependant. Therefore depending of the compilation (32 or 64 bits targets) the required offset "
            "is changing. In order to limit this aspect, the offset is defined in term of hardware dependant <i>i"
            "nt</i> and <i>pointer</i> size.</li>  <li> Compilers are free to add any extra space to a class for "
            "their own internal processing. In particular if your class contains virtual table, you need to consi"
            "der an extra offset of 1 pointer.</li>  <li> Similarily, data alignment and compiler options may bre"
            "ak the assumption used when computing the offset.</li></ul>")},
    {0x10000, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "Enter a Group name. Each class is clasified into a group.<br>A group name can not contain the '.' (d"
            "ot) character.")},
};

// Joined with double quotes, which the help shows around the functor
// arguments and the string example.
const char *const expressionHelpPieces[] = {
    QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "You can enter an expression to compute result from the current object. The following feature are cur"
            "rently supported:<ul> <li><b>+,-,*,/</b>: Arithmetic operators.</li> <li><b>&lt;,&lt;=,&gt;,&gt;=,=="
            ",!=</b>: Comparison operators.</li> <li><b>&&,||,!</b>: Logical operators.</li> <li><b>&,|,~</b>: Bi"
            "twise operators.</li> <li><b>(,)</b>: The parenthesis.</li> <li><b>+,-</b>: The unary operators.</li"
            "> <li><b>Field accessor</b>: Syntax is:  <ul>   <li><b>.</b>: for the current value.</li>   <li><b>."
            "<i>myField</i></b>: for the sub-field <i>myfield</i> of the current value.</li>   <li><b>.<i>myField"
            "</i>.<i>myField2</i></b>: for cascading sub-field access. There is no limits.</li>  </ul>  Note that"
            " the above is base on class member names, not on Korvan debugger artificial field names from models."
            "  </li> <li><b>Functor</b>: Functors are used to perform special operation on the processed values. "
            " The following functors are available:  <ul>   <li><b>{Member:<i>myField</i>}</b>: identical to .</i"
            ">myField</i>. Short functor name is <b>M</b>.</li>   <li><b>{Field:"),
    QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<i>my field</i>[:"),
    QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<i>real type</i>"),
    QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "]}</b>: Re-use the field <i>my field</i> that is defined through Korvan debugger model. <br>     The"
            " optional <i>realType</i> is used to enforce a data cast before extracting the field. It must refer "
            "to a model defined in Korvan debugger.<br>     Short functor name is <b>F</b>.</li>   <li><b>{Header"
            "[:"),
    QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<i>real type</i>"),
    QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "]}</b>: Re-use the model header as defined through Korvan debugger model.<br>      When applied to a"
            " string model, this feature does not quote the string.<br>     The optional <i>realType</i> is used "
            "to enforce a data cast before extracting the header. It must refer to a model defined in Korvan debu"
            "gger.<br>     Short functor name is <b>H</b>.</li>   <li><b>{Size}</b>: Return a container or a stri"
            "ng size (Only applicable to those models).<b> Short functor name is <b>S</b>.</li>   <li><b>{Lambda "
            "x:...}</b> Apply any processing defined using a Pyhon Lambda expression to the field.<b> Short funct"
            "or name is <b>L</b>.</li>  </ul></li> <li><b>&[argument]</b>: The pointer operator can get the addre"
            "ss of its argument.</li> <li><b>:[argument]</b>: The colon operator is used to enforce the Pretty Pr"
            "inter to decode a value using the header rules from the value model. When applied to a string model,"
            " this feature quote the string</li> <li><b>n</b>: A numerical constant (only decimal notation).</li>"
            " <li><b>"),
    QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "A String"),
    QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "</b>: A string.</li> <li><b>,</b>: The concatenator operator. It is used to concatenate 2 sub expres"
            "sions together. Expressions are   separated using a space character.</li> <li><b>;</b>: The concaten"
            "ator operator. It is used to concatenate 2 sub expressions together. Expressions are   <b>not</b> se"
            "parated using a space character.</li></ul><i>Note:</i> All the above arithmetic is performed on Pyth"
            "on Object, not gdb.Value Object"),
};

struct PythonOption
{
    qint64 flags;
    QStringList parameters;
    const char *parameterHelp;
};

const char pythonButtonToolTip[]
    = QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput",
                        "Enter the body of the Python function that can be used to access to the right field.");
const char pythonButtonHelpHead[] = QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput",
    "Enter the body of the Python function that can be used to access to the right field.The following pa"
            "rameters are passed to the Python callback:<ul>");
const char pythonDHelp[] = QT_TRANSLATE_NOOP("QObject",
    "<li><b>d</b>: This parameter holds the Qt-creator Python interface object. Refer to Qt-Creator docum"
            "entation for further explanation and details on the provided API in this object.<br>You can find <a "
            "href='SPECIALPYTHON'>here</a> the set of extra API provided for your convinience.</li>");
const char pythonExtraApi[] = QT_TRANSLATE_NOOP("QObject",
    "The following extra convinience API are provided:<ul><li><b>d.directBaseType(value,index=0)</b>: Ret"
            "urn the base class name for the value object.  <ul>    <li>value: the value for which base class is "
            "wanted. (gdb.Value object)</li>    <li>index: index '0' is direct base class, 1 is base class of bas"
            "e class, ...</li>  </ul></li><li><b>d.typeTemplateArgument(typeobj,position)</b>: Return a template "
            "argument of a C&#x2060;+&#x2060;+ data type. Ensure that the argument is    a proper C&#x2060;+&#x20"
            "60;+ type.  <ul>    <li>typeobj: the processed C&#x2060;+&#x2060;+ type. (gdb.Type object)</li>    <"
            "li>position: the index of the wanted argument (from 0)</li>  </ul></li><li><b>d.numericTemplateArgum"
            "ent(typeobj,position)</b>: Return a template argument of a C&#x2060;+&#x2060;+ data type. Ensure tha"
            "t the argument is    a proper integer.  <ul>    <li>typeobj: the processed C&#x2060;+&#x2060;+ type."
            " (gdb.Type object)</li>    <li>position: the index of the wanted argument (from 0)</li>  </ul></li><"
            "li><b>formatAsString(value)</b>: Return the header of an object based on the class modeling. In the "
            "header is a string, it is quoted.  <ul>    <li>value: the object to process. (gdb.Value object or Py"
            "thon string)</li>  </ul></li><li><b>formatAsStringUnquote(value)</b>: Return the header of an object"
            " based on the class modeling. The result is never quoted.  <ul>    <li>value: the object to process."
            " (gdb.Value object or Python string)</li>  </ul></li><li><b>safeCast(value,typeObj)</b>: Cast a GDB "
            "value to the wanted target type and perform the right check to ensure that the cast is correct. Deta"
            "il error is reported if debug mode is enabled. This API can also cast a Python valid numerical value"
            " (large enough) to a pointer type.  <ul>    <li>value: the object to process. (gdb.Value object or P"
            "ython long/int)</li>    <li>typeobj: the wanted C&#x2060;+&#x2060;+ type. (gdb.Type object)</li>  </"
            "ul></li><li><b>dropMask(value)</b>: If the lower bits of a pointer are used to store bit constant, t"
            "his API can be used to drop these bits.  <ul>    <li>value: the object to process. (gdb.Value object"
            " that must be a pointer type)</li>  </ul></li><li> </li></ul>");

const QString specialPythonLink = QStringLiteral("SPECIALPYTHON");

template<size_t N>
QString lookupText(const OptionText (&table)[N], qint64 flags)
{
    for (const OptionText &entry : table) {
        if (entry.flags == flags)
            return AccessorInput::tr(entry.text);
    }
    return QString();
}

QString expressionHelp()
{
    QStringList pieces;
    for (const char *piece : expressionHelpPieces)
        pieces.append(AccessorInput::tr(piece));
    return pieces.join(QLatin1Char('"'));
}

bool isExpressionOption(qint64 flags)
{
    return flags == qint64(AccessorKind::Field) || flags == qint64(AccessorKind::FilterKey)
           || flags == qint64(AccessorKind::FilterValue);
}

} // namespace

QString AccessorInput::pythonParameterHelp()
{
    ObjectWithLink<QToolButton>::links.insert(specialPythonLink, QObject::tr(pythonExtraApi));
    return QObject::tr(pythonDHelp);
}

void AccessorInput::setupTextOption(const QString &caption, bool valid, const QString &message)
{
    m_optionLabel->setText(caption);
    m_textEdit->clear();
    m_textEdit->show();
    m_valid = valid;
    if (!message.isNull())
        setFailure(message);
}

void AccessorInput::setupIndexOption()
{
    m_optionLabel->setText(tr("Index:"));
    m_firstSpin->setRange(0, 100);
    m_firstSpin->setSuffix(QString());
    m_firstSpin->show();
    m_valid = true;
}

void AccessorInput::setupPythonOption(qint64 flags)
{
    static const PythonOption options[] = {
        {0x40, {QStringLiteral("d"), QStringLiteral("value")}, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>value</b>: This holds the currently processed Inferior object as defined in GDB Python model."
                " Through it you can access to any information you may need.</li></ul>The <i>value</i> parameter is a"
                " gdb.Value object from GDB Python interface. Refer to GDB manual for furhter explanation on the prov"
                "ided feature.")},
        {0x80, {QStringLiteral("d"), QStringLiteral("value"), QStringLiteral("container")}, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>value</b>: This holds the currently processed Inferior object as defined in GDB Python model."
                " Through it you can access to any information you may need.</li><li><b>container</b>: the container "
                "that holds the value</li></ul>The <i>value</i> and <i>container</i> parameter is a gdb.Value object "
                "from GDB Python interface. Refer to GDB manual for furhter explanation on the provided feature.")},
        {0x80000, {QStringLiteral("d"), QStringLiteral("key"), QStringLiteral("value")}, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInput", "<li><b>key</b>: This holds the current key from the container.</li><li><b>value</b>: This holds the "
                "current value from the container.</li></ul>The <i>key</i> and <i>value</i> parameter is a gdb.Value "
                "object from DGB Python interface. Refer to GDB manual for furhter explanation on the provided featur"
                "e.")},
    };
    const PythonOption *option = nullptr;
    for (const PythonOption &entry : options) {
        if (entry.flags == flags)
            option = &entry;
    }
    Q_ASSERT(option);

    if (!m_pythonEditor) {
        PythonEditor *editor = nullptr;
        if (installEditorPopup(m_pythonButton, editor)) {
            m_pythonEditor = editor;
            if (TextEditor::TextDocument *document = editor->textDocument())
                connect(document, &TextEditor::TextDocument::contentsChanged, this, [this] { validate(); });
        }
    }
    if (m_pythonEditor) {
        m_pythonEditor->setSignature(QStringLiteral("myAccessor"), option->parameters);
        m_pythonButton->setText(tr("Enter the Python code: %1").arg(m_pythonEditor->callSignature()));
    }
    m_pythonButton->setToolTip(tr(pythonButtonToolTip));
    m_pythonButton->setWhatsThis(tr(pythonButtonHelpHead) + pythonParameterHelp() + tr(option->parameterHelp));
    m_pythonButton->show();
    m_valid = false;
    setFailure(tr("Python code is empty"));
}

void AccessorInput::setupOption(qint64 flags)
{
    const AccessorKind kind = AccessorKind(flags);
    m_optionLabel->setToolTip(lookupText(toolTips, flags));
    m_optionLabel->setWhatsThis(isExpressionOption(flags) ? expressionHelp() : lookupText(whatsThisTexts, flags));

    const QString identifierMessage = tr("Invalid Identifier Name: ''");
    const QString fieldMessage = tr("Invalid Field Name: ''");
    const QString apiMessage = tr("Invalid API Name: ''");
    switch (kind) {
    case AccessorKind::KindNone:
        m_optionLabel->setText(QString());
        m_valid = true;
        return;
    case AccessorKind::CppType:
    case AccessorKind::TemplateType:
    case AccessorKind::ParamType:
        setupTextOption(tr("Type:"), false, identifierMessage);
        return;
    case AccessorKind::Field:
        setupTextOption(tr("Field expression:"), false, fieldMessage);
        return;
    case AccessorKind::LambdaExpression:
        setupTextOption(tr("lambda value: "), false, tr("Python code is empty"));
        return;
    case AccessorKind::PythonCall:
    case AccessorKind::PythonContainerCall:
    case AccessorKind::FilterAPI:
        setupPythonOption(flags);
        return;
    case AccessorKind::InferiorMethod:
        setupTextOption(tr("Method Name"), false, apiMessage);
        return;
    case AccessorKind::InferiorFunction:
        setupTextOption(tr("Function Name"), false, apiMessage);
        return;
    case AccessorKind::TemplateArgumentType:
        setupIndexOption();
        m_templateOptionCombo->setCurrentIndex(0);
        m_templateOptionCombo->show();
        return;
    case AccessorKind::TemplateArgumentInt:
    case AccessorKind::AsBaseClass:
        setupIndexOption();
        return;
    case AccessorKind::Size:
        m_optionLabel->setText(tr("Size:"));
        m_firstSpin->setRange(0, 100);
        m_firstSpin->setSuffix(tr(" Int"));
        m_secondSpin->setRange(0, 100);
        m_secondSpin->setSuffix(tr(" Ptr"));
        m_firstSpin->show();
        m_secondSpin->show();
        m_valid = false;
        setFailure(tr("Size can not be 0. You must enter at least 1 Integer or 1 Pointer"));
        return;
    case AccessorKind::Offset:
        m_optionLabel->setText(tr("Offset:"));
        m_firstSpin->setRange(-100, 100);
        m_firstSpin->setSuffix(tr(" Int"));
        m_firstSpin->setValue(0);
        m_secondSpin->setRange(-100, 100);
        m_secondSpin->setSuffix(tr(" Ptr"));
        m_secondSpin->setValue(0);
        m_firstSpin->show();
        m_secondSpin->show();
        m_valid = true;
        return;
    case AccessorKind::Text:
        setupTextOption(tr("Text"), true, QString());
        return;
    case AccessorKind::TextAlternative:
        setupTextOption(tr("Text"), false, tr("This entry is mandatory. You need to enter a non-empty text."));
        return;
    case AccessorKind::GroupName:
        m_optionLabel->setText(tr("Group"));
        m_groupCombo->show();
        m_valid = true;
        return;
    case AccessorKind::FilterKey:
        setupTextOption(tr("Key Filter:"), false, fieldMessage);
        return;
    case AccessorKind::FilterValue:
        setupTextOption(tr("Value Filter:"), false, fieldMessage);
        return;
    case AccessorKind::ClassName:
        setupTextOption(tr("(Any Class)"), false,
                        tr("This entry is mandatory. You need to enter a valid Class model name."));
        return;
    case AccessorKind::ContainerClassName:
        setupTextOption(tr("(Container Only)"), false,
                        tr("This entry is mandatory. You need to enter a valid Container Class model name."));
        return;
    default:
        break;
    }
    if (highHalf(kind) != 0 && lowHalf(kind) == 0 && !accessorKindLabel(kind).isEmpty()) {
        m_valid = true; // a class or field kind needs no entry
        return;
    }
    m_valid = false;
    setFailure(tr("This field entry is not valid."));
}

void AccessorInput::buildOptionEditors(qint64 flags, bool emitChanged)
{
    if (flags == 0)
        return;
    const QSignalBlocker blockMenu(m_optionCombo);
    const quint64 word = quint64(flags);
    // Several bits stand for the current entry. A single option need not be
    // offered: its editors are shown over the first entry until the user
    // picks one or a value is loaded.
    if ((word & (word - 1)) != 0 || m_optionIndex.isEmpty())
        flags = typeFlags();

    m_groupCombo->hide();
    m_textEdit->hide();
    m_firstSpin->hide();
    m_secondSpin->hide();
    m_optionPanel->hide();
    m_pythonButton->hide();
    m_templateOptionCombo->hide();
    m_optionLabel->setWhatsThis(QString());
    m_optionLabel->setToolTip(QString());

    m_optionCombo->setCurrentIndex(m_optionIndex.value(flags, 0));
    m_option = flags;
    {
        // The switch sets validity and message itself; the controls it
        // resets must not start a validation half-way.
        const QSignalBlocker blockText(m_textEdit);
        const QSignalBlocker blockFirst(m_firstSpin);
        const QSignalBlocker blockSecond(m_secondSpin);
        const QSignalBlocker blockGroup(m_groupCombo);
        const QSignalBlocker blockOption(m_templateOptionCombo);
        setupOption(flags);
    }
    setTextFormats({});

    m_savedToolTip = m_optionLabel->toolTip();
    const QString whatsThis = m_optionLabel->whatsThis();
    for (QWidget *control : {static_cast<QWidget *>(m_groupCombo), static_cast<QWidget *>(m_textEdit),
                             static_cast<QWidget *>(m_firstSpin), static_cast<QWidget *>(m_secondSpin),
                             static_cast<QWidget *>(m_templateOptionCombo)}) {
        control->setToolTip(m_savedToolTip);
        control->setWhatsThis(whatsThis);
    }
    m_optionPanel->setVisible(!m_groupCombo->isHidden() || !m_textEdit->isHidden() || !m_firstSpin->isHidden());
    if (typeFlags() != flags)
        m_valid = false;

    if (emitChanged) {
        // The menu's own signal stays blocked; the owner learns of the switch.
        emit changed();
    }
}

} // namespace Configuration
} // namespace KorvanDebugger

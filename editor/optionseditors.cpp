#include "optionseditors.h"

#include "accessorinput.h"
#include "pythoneditor.h"

#include "configuration/keys.h"

#include <QCoreApplication>
#include <QGridLayout>

namespace KorvanDebugger {
namespace Configuration {

struct AccessorRowDescription
{
    quint64 options;
    const char *label;
    const QString *key;
    const char *sentence;
};

namespace {

constexpr quint64 addressOptions = 0x2370;
// The Python function of d, value and container: the editor a fresh base
// or length row shows, although the menu does not offer it.
constexpr qint64 pythonContainerCall = 0x80;

const AccessorRowDescription stringRows[] = {
    {addressOptions, "Base Address", &Key::base,
     QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::StringOptions",
                       "The <i>Base Address</i> is used to refer to the very first character in the string.")},
    {addressOptions, "Length", &Key::length,
     QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::StringOptions",
                       "The <i>Length</i> is used to access to the exact lenght of the string.")},
    {0x408, "Character Format", &Key::format,
     QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::StringOptions",
                       "The <i>Character Format</i> is used to define the format used to encode a single "
                       "character.")},
    {0x4000, "Encoding", &Key::encoding,
     QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::StringOptions",
                       "The <i>Encoding</i> is used to define the character set that is used.")},
};

const char stringCommonText[] = QT_TRANSLATE_NOOP(
    "KorvanDebugger::Configuration::StringOptions",
    "A String object is an array of characters. In order to be able to decode the string it is needed to "
    "access to:<ul>  <li><b>The base address</b>: the start address of the array.</li>  <li><b>The "
    "length</b>: the length of the string. Null terminated string are not supported direclty. You have to "
    "compute the length using the Python extension.</li>  <li><b>The character format</b>: the storage type "
    "of a character. Depending on implementation, the character format may be 1, 2 or 4 bytes. The engine is "
    "making exact format assumption from run-time character size and decode it based on the endianness of "
    "the running hardware. Format that are not 1, 2 or 4 bytes will trigger an error.</li>  <li><b>The "
    "encoding</b>: For legacy 8-bits strings, it may be needed to decode the string so that it is possible "
    "to interprete the characters correcly in Unicode based on a character set. This field is used to define "
    "the decoding mechanism. The actual decoders are the one provided by Python language. This is optional "
    "if no decoding pass is needed (Characters are in Unicode format).</li></ul>");

const AccessorRowDescription bitArrayRows[] = {
    {addressOptions, "Base Address", &Key::base,
     QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::BitArrayOptions",
                       "The <i>Base Address</i> is used to refer to the memory location where the first bit "
                       "is stored.")},
    {addressOptions, "Length", &Key::length,
     QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::BitArrayOptions",
                       "The <i>Length</i> is used to access to the exact lenght of the array.")},
};

const char bitArrayCommonText[] = QT_TRANSLATE_NOOP(
    "KorvanDebugger::Configuration::BitArrayOptions",
    "A Bit Array is a particular object that stores individual bits in a optimized way. As this type of data "
    "does not allow direct manipulation through pointers, it is not possible to decode it using standard "
    "generic mechanism. This specific decoder is a built-in implementation for such case.The array is "
    "defined using:<ul>  <li><b>The base address</b>: the start address of the array.</li>  <li><b>The "
    "length</b>: the length of the array.</li></ul>");

} // namespace

// ---- AccessorOptionsEditor -------------------------------------------------

AccessorOptionsEditor::AccessorOptionsEditor(const QString &key, QWidget *parent)
    : QWidget(parent)
    , BaseInput(key)
{
    setWidget(this);
    auto grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetMinimumSize);
}

void AccessorOptionsEditor::buildRows(const AccessorRowDescription *rowDescriptions, int count, const char *commonText)
{
    for (int i = 0; i < count; ++i) {
        auto row = new AccessorField(rowDescriptions[i].options, QString::fromLatin1(rowDescriptions[i].label), *rowDescriptions[i].key, this);
        row->setParent(this);
        m_rows.append(row);
        connect(row, &AccessorField::changed, this, &AccessorOptionsEditor::changed);
    }
    for (int i = 0; i < count; ++i) {
        if (rowDescriptions[i].options == addressOptions)
            m_rows.rows().at(i)->input()->buildOptionEditors(pythonContainerCall, true);
    }
    const char *context = metaObject()->className();
    for (int i = 0; i < count; ++i)
        m_rows.rows().at(i)->setHelp(QCoreApplication::translate(context, rowDescriptions[i].sentence),
                                     QCoreApplication::translate(context, commonText));
}

QJsonValue AccessorOptionsEditor::value() const
{
    return m_rows.value();
}

void AccessorOptionsEditor::setValue(const QJsonObject &object, bool byKey)
{
    m_rows.setValue(byKey ? object.value(key()).toObject() : object);
}

PythonCode AccessorOptionsEditor::generate()
{
    return PythonCode();
}

bool AccessorOptionsEditor::isValid() const
{
    return m_rows.isValid();
}

bool AccessorOptionsEditor::showError(PythonError *error)
{
    return m_rows.showError(error);
}

void AccessorOptionsEditor::setVisible(bool visible)
{
    QWidget::setVisible(visible);
    if (m_rows.setShown(visible))
        emit changed();
}

StringOptions::StringOptions(QWidget *parent)
    : AccessorOptionsEditor(Key::string, parent)
{
    buildRows(stringRows, int(std::size(stringRows)), stringCommonText);
}

BitArrayOptions::BitArrayOptions(QWidget *parent)
    : AccessorOptionsEditor(Key::bitArray, parent)
{
    buildRows(bitArrayRows, int(std::size(bitArrayRows)), bitArrayCommonText);
}

} // namespace Configuration
} // namespace KorvanDebugger

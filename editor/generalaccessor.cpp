#include "generalaccessor.h"

#include "accessorinput.h"
#include "pythoneditor.h"

#include "configuration/generalaccessorgenerator.h"
#include "configuration/keys.h"

#include <QGridLayout>
#include <QLabel>

namespace KorvanDebugger {
namespace Configuration {

namespace {

// Offers of the rows; the forms differ in the Python call entry only.
constexpr quint64 accessorOptions = 0x2370;
constexpr quint64 containerAccessorOptions = 0x23b0;
constexpr quint64 optionalAccessorOptions = 0x2371;
constexpr quint64 containerOptionalAccessorOptions = 0x23b1;
constexpr quint64 typeOptions = 0xc09;

} // namespace

GeneralAccessor::GeneralAccessor(const QString &title, const QString &key, QWidget *parent, bool containerForm)
    : QGroupBox(title, parent)
    , BaseInput(key)
{
    setWidget(this);
    auto grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetMinimumSize);

    const quint64 accessor = containerForm ? containerAccessorOptions : accessorOptions;
    const quint64 optional = containerForm ? containerOptionalAccessorOptions : optionalAccessorOptions;
    m_accessor = new AccessorField(accessor, QStringLiteral("Accessor"), Key::accessor, this);
    m_type = new AccessorField(typeOptions, QStringLiteral("Type"), Key::type, this);
    m_postProcess = new AccessorField(optional, QStringLiteral("Post-Process"), Key::postProcess, this);
    m_directionField = new AccessorField(optional, QStringLiteral("Direction Field"), Key::directionField, this);
    m_directionType = new AccessorField(typeOptions, QStringLiteral("Direction Type"), Key::directionType, this);
    for (AccessorField *row : {m_accessor, m_type, m_postProcess, m_directionField, m_directionType}) {
        row->setParent(this);
        m_rows.append(row);
        connect(row->input(), &AccessorInput::changed, this, &GeneralAccessor::changed);
    }

    // Nothing in the editor offers the direction field yet.
    m_directionField->setVisible(false);
    connect(m_directionField, &AccessorField::changed, this, &GeneralAccessor::updateDirectionType);
    updateDirectionType();

    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
}

void GeneralAccessor::updateDirectionType()
{
    m_directionType->setVisible(!m_directionField->input()->value().isNull());
}

QJsonValue GeneralAccessor::value() const
{
    return isBlank() ? QJsonValue(QJsonObject()) : QJsonValue(m_rows.value());
}

void GeneralAccessor::setOptional(bool optional)
{
    if (optional == m_optional)
        return;
    m_optional = optional;
    emit changed();
}

bool GeneralAccessor::isBlank() const
{
    return m_optional && m_accessor->input()->isBlank();
}

void GeneralAccessor::setValue(const QJsonObject &object, bool byKey)
{
    m_rows.setValue(byKey ? object.value(key()).toObject() : object);
}

PythonCode GeneralAccessor::generate()
{
    if (!m_rows.shown())
        return PythonCode();
    GeneralAccessorGenerator generator(key());
    generator.setValue(m_rows.value(), false);
    return generator.generate();
}

bool GeneralAccessor::isValid() const
{
    if (isBlank()) {
        // Nothing to check: clear the marks an earlier entry left.
        for (const AccessorField *row : m_rows.rows())
            row->statusLabel()->clear();
        return true;
    }
    return m_rows.isValid();
}

bool GeneralAccessor::showError(PythonError *error)
{
    return m_rows.showError(error);
}

void GeneralAccessor::setVisible(bool visible)
{
    QGroupBox::setVisible(visible);
    if (m_rows.setShown(visible))
        emit changed();
}

void GeneralAccessor::installHelp(const QString &name, const QString &preface, const QString &toolTip)
{
    const QString lower = name.toLower();
    setToolTip(toolTip);

    const QString accessorText = tr(
        "%1's <i>Accessor</i> is the 1<sup>st</sup> step to access to a particular value. It consists into "
        "extracting a computed sub-field from the processed value.<br>The extracted value can be of various "
        "types:<ul> <li><b>gdb.Value</b>: The value is still a GDB representation of any of the inferior "
        "variable or memory.</li> <li><b>Python string</b>: The value is a final value that is computed as a "
        "Python object (unicode, str). It can not be processed any further in term of field extraction. "
        "Similarly it can not be cast and cast step will be ignored.</li></ul>%1's <i>Accessor</i> can be "
        "defined through the various options provided in the pop-up menu:<ul>%2</ul>")
                                     .arg(name, m_accessor->input()->optionHelpList());
    m_accessor->setHelp(tr("%1's <i>accessor</i> is used to define the access mechanism to %2.").arg(name, lower),
                        preface + (preface.isEmpty() ? QString() : QStringLiteral("<br>")) + accessorText);

    const QString typeText
        = preface
          + tr("Normal behavior is that %1's type is automatically found by the debugger. However, in special "
               "cases, it can not be infered by GDB. So, you need to enter here a mechanism that helps GDB to "
               "solve the issue. This is mainly used to resolve the following cases:<ul><li>The actual type is "
               "a <samp>void*</samp>.</li><li>You want to enforce an object to its base class.</li><li>Data "
               "needs to be re-interpreted.</li></ul>")
                .arg(lower)
          + tr("%1's <i>Type</i> can be defined through the various options provided in the pop-up "
               "menu:<ul>%2</ul>")
                .arg(name, m_type->input()->optionHelpList())
          + tr("<br><i>Note:</i> if the previous step (accessor) results in a Python string like object, the "
               "cast operation is silently ignored.");
    m_type->setHelp(tr("%1's <i>Type</i> is used to define the real data type of %2.").arg(name, lower), typeText);

    const QString postProcessText
        = preface
          + tr("The formating of the data is based on the following principle:<ul> <li> Unlike <i>Accessor</i>, "
               "the data computation occurs after the optional type conversion/resolution. This allows to "
               "process the data with the right type and eventually access to fields that are otherwize "
               "unaccessible in the <i>Accessor</i> phase.</li></ul>")
          + tr("%1's <i>Post-Process</i> can be defined through the various options provided in the pop-up "
               "menu:<ul>%2</ul>")
                .arg(name, m_postProcess->input()->optionHelpList());
    m_postProcess->setHelp(tr("%1 <i>Post-Process</i> is used to optionally format %2.").arg(name, lower),
                           postProcessText);
}

} // namespace Configuration
} // namespace KorvanDebugger

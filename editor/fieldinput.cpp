#include "fieldinput.h"

#include "accessorinput.h"
#include "pythoneditor.h"
#include "tipbutton.h"

#include "configuration/jsonhelpers.h"
#include "configuration/pythonerror.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRegExp>

namespace KorvanDebugger {
namespace Configuration {

namespace {

const QString invalidMark = QStringLiteral("<font color=\"red\">&#10008;</font>");
const QString notCheckedMark = QStringLiteral("<font color=\"#b07000\">?</font>");

} // namespace

QString formatWhatsThis(const QString &toolTip, const QString &text)
{
    static const QRegExp placeholder(QStringLiteral("%[0-9]{1,2}"));
    QString whatsThis = text.isEmpty() ? toolTip : QStringLiteral("<b>") + toolTip + QStringLiteral("</b><br><br>") + text;
    whatsThis.remove(placeholder);
    return whatsThis;
}

// ---- FieldInputBase --------------------------------------------------------

FieldInputBase::FieldInputBase(const QString &labelText, BaseInput *input, QWidget *inputWidget, QWidget *page)
    : BaseInput(input->key())
    , m_input(input)
    , m_inputWidget(inputWidget)
{
    auto grid = page ? qobject_cast<QGridLayout *>(page->layout()) : nullptr;
    if (grid) {
        if (!labelText.isEmpty())
            m_label = new ObjectWithLink<QLabel>(labelText, page);
        m_statusLabel = new QLabel(page);
        m_tipButton = new TipButton(page);
        setWidget(inputWidget);

        grid->setColumnStretch(0, 1);
        grid->setColumnStretch(1, 1);
        grid->setColumnStretch(2, 1);
        grid->setColumnStretch(3, 1000);
        grid->setContentsMargins(0, 0, 0, 0);
        const int row = grid->rowCount();
        grid->addWidget(m_tipButton, row, 0, 1, 1, Qt::AlignRight | Qt::AlignTop);
        grid->addWidget(m_statusLabel, row, 1, 1, 1, Qt::AlignRight | Qt::AlignTop);
        if (m_label) {
            grid->addWidget(m_label, row, 2, 1, 1, Qt::AlignRight);
            grid->addWidget(inputWidget, row, 3);
        } else {
            grid->addWidget(inputWidget, row, 2, 1, 2);
        }
        return;
    }

    auto container = new QWidget(page);
    auto box = new QHBoxLayout(container);
    box->setContentsMargins(0, 0, 0, 0);
    setWidget(container);
    m_label = new ObjectWithLink<QLabel>(labelText, container);
    m_statusLabel = new QLabel(container);
    m_tipButton = new TipButton(container);
    const Qt::Alignment alignment = Qt::AlignHCenter | Qt::AlignTop;
    box->addWidget(m_tipButton, 0, alignment);
    box->addWidget(m_statusLabel, 0, alignment);
    if (!labelText.isEmpty())
        box->addWidget(m_label, 0, alignment);
    box->addWidget(inputWidget);
    box->setSizeConstraint(QLayout::SetMinimumSize);
}

FieldInputBase::~FieldInputBase() = default;

QJsonValue FieldInputBase::value() const
{
    return m_input->value();
}

void FieldInputBase::setValue(const QJsonObject &object, bool byKey)
{
    m_input->setValue(object, byKey);
}

PythonCode FieldInputBase::generate()
{
    return m_input->generate();
}

bool FieldInputBase::isValid() const
{
    if (m_input->isValid() || !m_visible) {
        // An entry that could not be checked is valid, and says so.
        auto accessor = dynamic_cast<const AccessorInput *>(m_input);
        const QString notice = accessor && m_visible ? accessor->checkNotice() : QString();
        m_statusLabel->setText(notice.isEmpty() ? QString() : notCheckedMark);
        m_statusLabel->setToolTip(notice);
        return true;
    }
    m_statusLabel->setText(invalidMark);
    m_statusLabel->setToolTip(m_input->errorMessage());
    return false;
}

bool FieldInputBase::showError(PythonError *error)
{
    if (!error)
        return false;
    if (m_input->showError(error))
        return true;
    m_tipButton->setTip(error->toHtml());
    return true;
}

void FieldInputBase::setVisible(bool visible)
{
    m_inputWidget->setVisible(visible);
    if (m_label)
        m_label->setVisible(visible);
    m_statusLabel->setVisible(visible);
    m_visible = visible;
    // The button appears only once it has an error table to offer.
    m_tipButton->setVisible(visible && m_tipButton->menu());
}

void FieldInputBase::setHelp(const QString &toolTip, const QString &text)
{
    if (!m_label)
        return;
    m_label->setToolTip(toolTip);
    m_label->setWhatsThis(formatWhatsThis(toolTip, text));
}

// ---- AccessorField ---------------------------------------------------------

AccessorField::AccessorField(quint64 options, const QString &labelText, const QString &key, QWidget *page)
    : FieldInput<AccessorInput>(labelText, new AccessorInput(key, nullptr), page)
{
    input()->buildOptionMenu(options);
    // The lowest offered option; none offered passes 0, which changes nothing.
    const quint64 lowest = options & (~options + 1);
    input()->buildOptionEditors(qint64(lowest), true);
    connect(input(), &AccessorInput::changed, this, &AccessorField::changed);
}

// ---- AccessorFieldSet ------------------------------------------------------

QJsonObject keepUnownedKeys(const QJsonObject &loaded, const QList<BaseInput *> &rows,
                            const QJsonObject &contributions)
{
    QJsonObject result = loaded;
    for (const BaseInput *row : rows)
        result.remove(row->key());
    for (auto it = contributions.constBegin(); it != contributions.constEnd(); ++it)
        result.insert(it.key(), it.value());
    return result;
}

QJsonObject AccessorFieldSet::value() const
{
    QJsonObject object;
    QList<BaseInput *> rows;
    for (AccessorField *row : m_rows) {
        jsonMergeMissing(object, inputValueAsObject(*row));
        rows.append(row);
    }
    return keepUnownedKeys(m_loaded, rows, object);
}

void AccessorFieldSet::setValue(const QJsonObject &source)
{
    m_loaded = source;
    QVector<bool> blocked;
    blocked.reserve(m_rows.size());
    for (AccessorField *row : m_rows)
        blocked.append(row->blockSignals(true));
    for (AccessorField *row : m_rows)
        row->setValue(source, true);
    for (int i = m_rows.size() - 1; i >= 0; --i)
        m_rows.at(i)->blockSignals(blocked.at(i));
}

bool AccessorFieldSet::isValid() const
{
    if (!m_shown)
        return true;
    bool valid = true;
    for (const AccessorField *row : m_rows)
        valid = row->isValid() && valid; // every row is marked
    return valid;
}

bool AccessorFieldSet::showError(PythonError *error)
{
    if (!error)
        return false;
    const QString first = error->takeFirstApi();
    for (AccessorField *row : m_rows) {
        if (row->key() == first)
            return row->showError(error);
    }
    return false;
}

bool AccessorFieldSet::setShown(bool shown)
{
    if (shown == m_shown)
        return false;
    m_shown = shown;
    if (shown) {
        for (AccessorField *row : m_rows)
            row->input()->validate(false);
    }
    return true;
}

} // namespace Configuration
} // namespace KorvanDebugger

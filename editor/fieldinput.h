#pragma once

// A field row: the labelled line in which a definition editor shows one
// input, with a tip button holding the error table of the last failed run of
// the printers and a red mark while the input is invalid. The row is an
// input itself, bound to its input's key, and hands every operation on.

#include "objectwithlink.h"

#include "configuration/baseinput.h"

#include <QList>
#include <QObject>

QT_BEGIN_NAMESPACE
class QLabel;
QT_END_NAMESPACE

namespace KorvanDebugger {
namespace Configuration {

class AccessorInput;
class FieldList;
class TipButton;

// A What's This text: the tool tip as a bold title over the text (the tool
// tip alone without text), left-over "%N" placeholders removed.
QString formatWhatsThis(const QString &toolTip, const QString &text);

class FieldInputBase : public BaseInput
{
public:
    ~FieldInputBase() override;

    QJsonValue value() const override;
    void setValue(const QJsonObject &object, bool byKey) override;
    PythonCode generate() override;
    // Marks the row as it answers: a hidden row is valid whatever it holds.
    bool isValid() const override;
    // Always claims the error: the input shows it, or the tip button does.
    bool showError(PythonError *error) override;

    void setVisible(bool visible);
    void setHelp(const QString &toolTip, const QString &text);

    BaseInput *baseInput() const { return m_input; }
    ObjectWithLink<QLabel> *label() const { return m_label; }
    QLabel *statusLabel() const { return m_statusLabel; }
    TipButton *tipButton() const { return m_tipButton; }
    bool visible() const { return m_visible; }

protected:
    // Places the row on the page: into its grid when the page has one,
    // else into a box of its own, which is then the row's widget. The
    // input's widget is passed apart: a list binds its widget only once
    // it builds its view.
    FieldInputBase(const QString &labelText, BaseInput *input, QWidget *inputWidget, QWidget *page);

private:
    BaseInput *m_input;
    QWidget *m_inputWidget;
    ObjectWithLink<QLabel> *m_label = nullptr;
    QLabel *m_statusLabel = nullptr;
    TipButton *m_tipButton = nullptr;
    bool m_visible = true;
};

template<class T>
class FieldInput : public FieldInputBase
{
public:
    FieldInput(const QString &labelText, T *input, QWidget *page)
        : FieldInputBase(labelText, input, input, page)
        , m_typedInput(input)
    {
    }

    T *input() const { return m_typedInput; }

private:
    T *m_typedInput;
};

// The row of an accessor input, which it creates from its offer of options
// and starts on the lowest offered option.
class AccessorField : public QObject, public FieldInput<AccessorInput>
{
    Q_OBJECT
public:
    AccessorField(quint64 options, const QString &labelText, const QString &key, QWidget *page);

signals:
    void changed();
};

// The accessor rows of an option editor, walked in their order: the value
// merged from the rows, loading with the rows' signals blocked, validity
// without early stop, an error handed to the row its path names, and the
// editor's own shown state.
class AccessorFieldSet
{
public:
    void append(AccessorField *row) { m_rows.append(row); }
    const QList<AccessorField *> &rows() const { return m_rows; }

    // The loaded object with the rows' own keys replaced by what the rows
    // hold: keys no row shows travel through an edit unchanged.
    QJsonObject value() const;
    void setValue(const QJsonObject &source);
    bool isValid() const;
    bool showError(PythonError *error);

    bool shown() const { return m_shown; }
    // Records the editor's shown state; the rows re-check themselves
    // quietly when it becomes shown. True when the state changed.
    bool setShown(bool shown);

private:
    QList<AccessorField *> m_rows;
    QJsonObject m_loaded;
    bool m_shown = true;
};

// The loaded object without the keys that rows own, merged with the rows'
// contributions (first contribution of a key wins).
QJsonObject keepUnownedKeys(const QJsonObject &loaded, const QList<BaseInput *> &rows,
                            const QJsonObject &contributions);

} // namespace Configuration
} // namespace KorvanDebugger

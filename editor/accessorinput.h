#pragma once

// The editor of one accessor-like entry of a class or field definition: how
// a field is reached (an expression, a C++ type, a template argument, an
// offset, a Python function ...), a filter, a group or class name, or the
// kind of a class or field. The user picks an option; the widget shows the
// controls of that option, checks their content at once and shows the
// outcome in place. Its Python comes from AccessorInputGenerator, which
// reads the same JSON.

#include "objectwithlink.h"

#include "configuration/accessorkind.h"
#include "configuration/baseinput.h"

#include <QLabel>
#include <QMap>
#include <QPointer>
#include <QProcess>
#include <QTextLayout>
#include <QToolButton>
#include <QWidget>

QT_BEGIN_NAMESPACE
class QComboBox;
class QLineEdit;
class QSpinBox;
class QVBoxLayout;
QT_END_NAMESPACE

namespace KorvanDebugger {
namespace Configuration {

class PythonEditor;
class SavedComboBox;

class AccessorInput : public QWidget, public BaseInput
{
    Q_OBJECT
public:
    AccessorInput(const QString &key, quint64 options, QWidget *parent);
    AccessorInput(const QString &key, QWidget *parent);
    ~AccessorInput() override;

    // Offers the options whose bits are set; the same mask again changes
    // nothing.
    void buildOptionMenu(quint64 mask);
    // Switches the widget to one option (several bits: the current menu
    // entry; one not offered: its editors over the first entry).
    void buildOptionEditors(qint64 flags, bool emitChanged);
    // The option word of a menu entry; -1: the current one; 0 for none.
    qint64 typeFlags(int index = -1) const;
    // The option whose editors are shown (and whose value is given).
    qint64 currentOption() const { return m_option; }
    // The help items of the offered options, in ascending word order.
    QString optionHelpList() const;
    // Registers the extra Python API list under the link "SPECIALPYTHON" and
    // returns the help item of the parameter "d".
    static QString pythonParameterHelp();
    // The Python interpreter that checks the syntax of Python entries.
    static QString pythonProgram();

    // The entry as JSON; null while the controls still show what stood for
    // an absent entry, so that an unchanged absence is read back as absent.
    QJsonValue value() const override;
    // An absent entry shows "None" when the menu offers it, else the current
    // entry's editor, empty, judged as any other entry.
    void setValue(const QJsonObject &object, bool byKey) override;
    // The entry as the controls show it, absent or not.
    QJsonValue shownValue() const;
    // What the controls show now stands for an absent entry (a default that
    // the printers apply to the absent key too).
    void markAbsent();
    // True while the controls show what stands for an absent entry.
    bool showsAbsence() const;
    // Nothing entered: "None", an empty text or an empty Python body.
    bool isBlank() const;
    // Not used: the accessor generator turns value() into Python.
    PythonCode generate() override;
    // A blank entry where blanks are allowed is valid.
    bool isValid() const override { return m_valid || (m_blankAllowed && isBlank()); }
    // Allows the entry to stay blank (it then reads as absent), for an entry
    // that another one can stand in for.
    void setBlankAllowed(bool allowed) { m_blankAllowed = allowed; }
    bool isBlankAllowed() const { return m_blankAllowed; }

    void setTextFormats(const QList<QTextLayout::FormatRange> &ranges);

    // The controls, for the owner's layout and help.
    QComboBox *optionCombo() const { return m_optionCombo; }
    QLabel *optionLabel() const { return m_optionLabel; }
    QWidget *optionPanel() const { return m_optionPanel; }
    QLineEdit *textEdit() const { return m_textEdit; }
    QToolButton *pythonButton() const { return m_pythonButton; }
    PythonEditor *pythonEditor() const { return m_pythonEditor.data(); }
    SavedComboBox *groupCombo() const { return m_groupCombo; }
    QSpinBox *firstSpin() const { return m_firstSpin; }
    QSpinBox *secondSpin() const { return m_secondSpin; }
    QComboBox *templateOptionCombo() const { return m_templateOptionCombo; }
    quint64 optionMask() const { return m_optionMask; }
    QString savedToolTip() const { return m_savedToolTip; }
    // The highlighting last applied to the text.
    QList<QTextLayout::FormatRange> textFormats() const { return m_textFormats; }
    // True while a Python syntax check runs.
    bool isChecking() const { return m_checkProcess != nullptr; }
    // Why the last Python syntax check could not judge the entry (no
    // interpreter, a crash); empty when it could. Such an entry is not
    // checked: it counts as valid and says so.
    QString checkNotice() const { return m_checkNotice; }

signals:
    void changed();

public slots:
    void validate(bool notify = true);
    // With the defaults: refreshes the display from the validity and the
    // current message.
    void handleSyntaxError(int line = -1, int column = -1, const QString &message = QString());
    void setType(int index);
    void pythonFinished();

private:
    bool isPythonBodyOption() const;
    void startPythonCheck(const QString &code, int prefixLength);
    QString currentPythonCode() const;
    void releaseCheck();
    // Records a failure message shown (wrapped in the tool tip) by the next
    // refresh.
    void setFailure(const QString &message);
    void setupOption(qint64 flags);
    void setupPythonOption(qint64 flags);
    void setupTextOption(const QString &caption, bool valid, const QString &message);
    void setupIndexOption();

    QComboBox *m_optionCombo;
    ObjectWithLink<QLabel> *m_optionLabel;
    QVBoxLayout *m_editorColumn;
    QWidget *m_optionPanel;
    QLineEdit *m_textEdit;
    ObjectWithLink<QToolButton> *m_pythonButton;
    QPointer<PythonEditor> m_pythonEditor;
    SavedComboBox *m_groupCombo;
    QSpinBox *m_firstSpin;
    QSpinBox *m_secondSpin;
    QComboBox *m_templateOptionCombo;
    QProcess *m_checkProcess = nullptr;
    int m_checkPrefixLength = 0;
    bool m_valid = false;
    QMap<qint64, int> m_optionIndex;
    quint64 m_optionMask = 0;
    // The option whose editors are shown: the current menu entry's, or one
    // the menu does not offer (a row's starting editor).
    qint64 m_option = 0;
    QString m_savedToolTip;
    // What the controls showed for an absent entry, with its option; an
    // undefined value when the entry was not absent.
    QJsonValue m_absentValue = QJsonValue(QJsonValue::Undefined);
    qint64 m_absentOption = 0;
    bool m_blankAllowed = false;

    // What the running check compiles, so that an outcome for an older
    // text or another option is not taken for the current one.
    QString m_checkedCode;
    // The unwrapped failure message, so a refresh shows it once.
    QString m_failure;
    QString m_checkNotice;
    QList<QTextLayout::FormatRange> m_textFormats;
};

} // namespace Configuration
} // namespace KorvanDebugger

#pragma once

// The small dialog in which the user writes the body of a Python function
// that the generated printers call. The signature is a fixed line above the
// IDE's Python editor, whose document holds only the body.

#include <QDialog>
#include <QStringList>

QT_BEGIN_NAMESPACE
class QLabel;
class QToolButton;
QT_END_NAMESPACE

namespace Core {
class IEditor;
}
namespace TextEditor {
class TextDocument;
class TextMark;
}

namespace KorvanDebugger {
namespace Configuration {

class PythonEditor : public QDialog
{
    Q_OBJECT
public:
    explicit PythonEditor(QWidget *parent);
    ~PythonEditor() override;

    // "def name(p1, p2):"; an empty name gives "myFunction".
    void setSignature(const QString &name, const QStringList &parameters);
    void setSignatureText(const QString &text);
    QString signatureText() const;
    // The signature without its leading "def ".
    QString callSignature() const;

    // Null when the IDE offers no Python editor or its document is no text
    // document.
    TextEditor::TextDocument *textDocument() const;
    Core::IEditor *editor() const { return m_editor; }

    // The body with every line (empty ones too) prefixed by indent spaces.
    QString bodyText(int indent) const;
    // Stores the body without the indentation common to all its lines.
    void setBodyText(const QString &text);
    // The whole function as checked: the signature, then each body line
    // after 4 spaces.
    QString code() const;

    // Marks the 1-based body line of an error; -1 removes the mark.
    void setErrorLine(int line);
    // The marked line, or -1.
    int errorLine() const;

private:
    QLabel *m_signatureLabel;
    Core::IEditor *m_editor = nullptr;
    TextEditor::TextMark *m_errorMark = nullptr;
};

// Makes a new Python editor (parent: the button's parent widget) the popup
// of the button: pressing the button opens it at once, closing the editor
// closes the popup. False, and nothing changed, when the button already has
// a menu.
bool installEditorPopup(QToolButton *button, PythonEditor *&editor);

} // namespace Configuration
} // namespace KorvanDebugger

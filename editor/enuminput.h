#pragma once

// The editor of one "enumeration" object: the C++ text of its prerequisite
// and definition in two C++ editors of the host, and the value table that
// the compiler computes from them ("Parsed Definition"), whose grouping the
// user can correct. Each parse of either editor recomputes the values.

#include "enumextractor.h"
#include "enummodel.h"

#include "configuration/baseinput.h"

#include <QHash>
#include <QList>
#include <QTabWidget>
#include <QTimer>

#include <memory>

QT_BEGIN_NAMESPACE
class QTreeView;
QT_END_NAMESPACE

namespace Core {
class IEditor;
}
namespace TextEditor {
class BaseTextEditor;
}

namespace KorvanDebugger {
namespace Configuration {


class EnumInput : public QTabWidget, public BaseInput
{
    Q_OBJECT
public:
    enum Tab { PrerequisiteTab = 0, DefinitionTab = 1, ParsedDefinitionTab = 2 };

    explicit EnumInput(const QString &key, QWidget *parent = nullptr);
    ~EnumInput() override;

    // The tab widget's pages, and the input's own widget (this object).
    using QTabWidget::widget;
    using BaseInput::widget;

    QJsonValue value() const override;
    void setValue(const QJsonObject &object, bool byKey) override;
    PythonCode generate() override;
    bool isValid() const override;

    void setVisible(bool visible) override;
    // The editor's own shown state, which decides whether a class reads it.
    bool shown() const { return m_visible; }

    TextEditor::BaseTextEditor *prerequisiteEditor() const { return m_prerequisiteEditor; }
    TextEditor::BaseTextEditor *definitionEditor() const { return m_definitionEditor; }
    QTreeView *treeView() const { return m_treeView; }
    EnumModel *model() const { return m_model.get(); }
    EnumExtractor *extractor() const { return m_extractor; }

    // Clears the error marks and underlines of the editor and gives its
    // parser the include folders of the kit and the project (once).
    static void setupCodeModel(TextEditor::BaseTextEditor *editor);

signals:
    void changed();

public slots:
    void extractEnum();
    // Shows the compiler's messages on the lines of the editors they name.
    void cppCompilerFinished(const QList<KorvanDebugger::Configuration::CompilerMessage> &messages);
    void executionFinished();
    void mergeMenu(const QPoint &position);
    // Parses both editors again when their include folders have changed.
    void includeFoldersChanged();

private:
    TextEditor::BaseTextEditor *createCppEditor();
    void setupHelp();
    void setTabHelp(int index, const QString &tip, const QString &details);
    void computationFailed(const QString &message);
    void showStaleState();
    bool textsChangedSinceLoad() const;

    TextEditor::BaseTextEditor *m_prerequisiteEditor = nullptr;
    TextEditor::BaseTextEditor *m_definitionEditor = nullptr;
    QTreeView *m_treeView = nullptr;
    EnumExtractor *m_extractor = nullptr;
    std::unique_ptr<EnumModel> m_model;
    bool m_visible = true;
    // One waiting request at most: it runs with the texts of its time.
    QTimer m_retry;
    // A computation of texts that a load has replaced: its result is dropped.
    bool m_discardRunning = false;
    QString m_failure;
    QString m_parsedDefinitionToolTip;
    // The object last loaded: its keys that the editor does not show travel
    // through an edit, and its texts tell whether a failed computation is
    // about the user's change or about this machine.
    QJsonObject m_loaded;
    // Compiler messages about the generated lines of the helper program.
    QStringList m_generatedMessages;
};

} // namespace Configuration
} // namespace KorvanDebugger

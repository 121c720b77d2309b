#pragma once

// Stand-in for the IDE's C++ model manager: the parsed documents of every
// open C++ editor and of the headers those include.

#include <cplusplus/CppDocument.h>

#include <QObject>

namespace CppTools {

class BuiltinEditorDocumentParser;

class CppModelManager : public QObject
{
    Q_OBJECT
public:
    static CppModelManager *instance();

    // The parsed document of a file: an editor's own document, or a header
    // that an editor's last parse read. Null when no parse read the file.
    CPlusPlus::Document::Ptr document(const QString &fileName) const;
    CPlusPlus::Snapshot snapshot() const;

private:
    friend class BuiltinEditorDocumentParser;
    CppModelManager() = default;
    void addParser(BuiltinEditorDocumentParser *parser);
    void removeParser(BuiltinEditorDocumentParser *parser);

    QList<BuiltinEditorDocumentParser *> m_parsers;
};

} // namespace CppTools

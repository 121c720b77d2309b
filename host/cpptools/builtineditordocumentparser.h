#pragma once

// Stand-in for the IDE's built-in C++ parser of one editor document. It
// parses the text with libclang and keeps the translation unit, so that
// "follow symbol" requests and the documents of included headers can be
// answered from the same parse.

#include "baseeditordocumentparser.h"

#include <cplusplus/CppDocument.h>
#include <utils/filepath.h>

#include <QSet>

namespace CppTools {

class ClangTranslationUnit;

class BuiltinEditorDocumentParser : public BaseEditorDocumentParser
{
    Q_OBJECT
public:
    explicit BuiltinEditorDocumentParser(const QString &filePath, QObject *parent = nullptr);
    ~BuiltinEditorDocumentParser() override;

    // Parses the document's text (nothing is read from disk for the document
    // itself) with the header paths of the configuration's project part,
    // then emits finished() from the event loop.
    void update(const QString &contents);

    // The last parsed document, null before the first parse.
    CPlusPlus::Document::Ptr document() const { return m_document; }
    CPlusPlus::Snapshot snapshot() const { return m_snapshot; }

    // Follows the symbol at (line, column), both 1-based, to its definition
    // (or declaration when no definition is visible). No target when nothing
    // there refers to a declaration.
    Utils::Link findLinkAt(int line, int column) const;

    // Whether the last parse read the file, and its symbols when it did.
    bool includesFile(const QString &fileName) const;
    CPlusPlus::Document::Ptr documentOf(const QString &fileName) const;

signals:
    void finished(CPlusPlus::Document::Ptr document, CPlusPlus::Snapshot snapshot);

private:
    std::unique_ptr<ClangTranslationUnit> m_unit;
    CPlusPlus::Document::Ptr m_document;
    CPlusPlus::Snapshot m_snapshot;
};

} // namespace CppTools

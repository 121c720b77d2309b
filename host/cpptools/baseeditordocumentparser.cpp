#include "baseeditordocumentparser.h"

namespace CppTools {

BaseEditorDocumentParser::BaseEditorDocumentParser(const QString &filePath, QObject *parent)
    : QObject(parent), m_filePath(filePath)
{
}

BaseEditorDocumentParser::~BaseEditorDocumentParser() = default;

} // namespace CppTools

#pragma once

// Stand-in for the IDE's per-document C++ parser base: the configuration it
// parses with (an optional project part set by hand).

#include "projectpart.h"

#include <QObject>

namespace CppTools {

class BaseEditorDocumentParser : public QObject
{
    Q_OBJECT
public:
    struct Configuration
    {
        bool usePrecompiledHeaders = false;
        QByteArray editorDefines;
        ProjectPart::Ptr manuallySetProjectPart;
    };

    explicit BaseEditorDocumentParser(const QString &filePath, QObject *parent = nullptr);
    ~BaseEditorDocumentParser() override;

    QString filePath() const { return m_filePath; }
    Configuration configuration() const { return m_configuration; }
    // Applies to the next parse; does not parse by itself.
    void setConfiguration(const Configuration &configuration) { m_configuration = configuration; }

private:
    QString m_filePath;
    Configuration m_configuration;
};

} // namespace CppTools

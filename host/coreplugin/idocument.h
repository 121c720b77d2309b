#pragma once

// Stand-in for the IDE's document: the content an editor shows.

#include <utils/filepath.h>

#include <QFileInfo>
#include <QObject>
#include <QString>

namespace Core {

class IDocument : public QObject
{
    Q_OBJECT
public:
    explicit IDocument(QObject *parent = nullptr) : QObject(parent) {}

    QString filePath() const { return m_filePath; }
    void setFilePath(const QString &filePath)
    {
        m_filePath = filePath;
        emit changed();
    }
    void setFilePath(const Utils::FileName &filePath) { setFilePath(filePath.toString()); }
    // What editors and tabs call the document: the preferred name, else the
    // file's name.
    QString displayName() const
    {
        return m_preferredDisplayName.isEmpty() ? QFileInfo(m_filePath).fileName() : m_preferredDisplayName;
    }
    void setPreferredDisplayName(const QString &name)
    {
        m_preferredDisplayName = name;
        emit changed();
    }
    QString mimeType() const { return m_mimeType; }
    void setMimeType(const QString &mimeType) { m_mimeType = mimeType; }

    // Reads the file into the document and takes its path; false with the
    // reason when it cannot be read.
    virtual bool open(const QString &fileName, QString *errorString) = 0;
    // Replaces the content by the bytes (UTF-8 text); false when the
    // document cannot hold them.
    virtual bool setContents(const QByteArray &contents)
    {
        Q_UNUSED(contents)
        return false;
    }

signals:
    void contentsChanged();
    // The file path or the display name changed.
    void changed();

private:
    QString m_filePath;
    QString m_mimeType;
    QString m_preferredDisplayName;
};

} // namespace Core

#pragma once

// Stand-in for the IDE's document: the content an editor shows.

#include <QObject>
#include <QString>

namespace Core {

class IDocument : public QObject
{
    Q_OBJECT
public:
    explicit IDocument(QObject *parent = nullptr) : QObject(parent) {}

    QString filePath() const { return m_filePath; }
    void setFilePath(const QString &filePath) { m_filePath = filePath; }
    QString mimeType() const { return m_mimeType; }
    void setMimeType(const QString &mimeType) { m_mimeType = mimeType; }

    // Reads the file into the document and takes its path; false with the
    // reason when it cannot be read.
    virtual bool open(const QString &fileName, QString *errorString) = 0;

signals:
    void contentsChanged();

private:
    QString m_filePath;
    QString m_mimeType;
};

} // namespace Core

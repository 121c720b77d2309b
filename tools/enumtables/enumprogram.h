#pragma once

// The enumeration helper program for one stored enumeration definition: the
// enumerators of the declared enum are read from the preprocessed headers,
// printed by a g++-compiled program as "name,unsigned value,negative flag"
// lines, and turned into the stored "enums"/"masks" texts by EnumModel.

#include <QHash>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace KorvanDebugger {
namespace Tools {

struct EnumTable
{
    QStringList outputLines; // the helper program's output, split at line breaks
    QStringList enums;
    QStringList masks;
    QString error;           // empty on success
};

class EnumProgram
{
public:
    // includeOptions: the g++ options that find the headers of the definitions.
    explicit EnumProgram(const QStringList &includeOptions);

    // -I options for the Qt header directory of the build and each of its
    // module folders.
    static QStringList qtIncludeOptions();

    // The qualified names of the enumerators of the enum that the last
    // declaration of the definition names ("Qt::AlignmentFlag f;").
    QStringList enumeratorNames(const QString &prerequisite, const QString &definition, QString *error);

    EnumTable compute(const QJsonObject &enumeration);

    // The enumerators declared in an enum body (attributes and initialisers
    // removed), in declaration order.
    static QStringList enumeratorsOfBody(const QString &body);

    // The body of enum `name` inside the namespace or class `scope` of the
    // preprocessed text; isScoped tells whether it is an "enum class".
    static QString findEnumBody(const QString &text, const QString &scope, const QString &name, bool *isScoped);

private:
    QString preprocessed(const QString &source, QString *error);
    bool runProcess(const QString &program, const QStringList &args, const QByteArray &input,
                    QByteArray *output, QString *error) const;

    QStringList m_includeOptions;
    QHash<QString, QString> m_preprocessed; // source -> preprocessed text
};

} // namespace Tools
} // namespace KorvanDebugger

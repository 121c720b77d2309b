#pragma once

// The report of a generated printer that failed inside GDB, rebuilt from the
// "XXX: KORVANDEBUG<key>:<value>" lines of the debugger log.

#include <QMetaType>
#include <QString>
#include <QStringList>

namespace KorvanDebugger {
namespace Configuration {

class PythonError
{
public:
    enum Flag : quint32 {
        FlagApi = 1,
        FlagVar = 2,
        FlagVarType = 4,
        FlagErrorType = 8,
        FlagErrorDesc = 16,
        FlagVarDeref = 0x4000,
        FlagLine = 0x8000,
    };

    quint32 flags = 0;
    QStringList api;
    QString var;
    QString varDeref;
    QString varType;
    QString errorType;
    QString errorDesc;
    QString line;

    // One report line without its marker: "<key>:<value>".
    void parseLine(const QString &text);
    QString takeFirstApi();
    bool isCustomApi() const;
    bool isInternal() const;
    QString toHtml() const;
    static QString formatValueHtml(const QString &text);
};

} // namespace Configuration
} // namespace KorvanDebugger

Q_DECLARE_METATYPE(KorvanDebugger::Configuration::PythonError)

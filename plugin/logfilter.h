#pragma once

// The debugger-log filter: the generated Python talks back only through the
// host's debugger log. On every change of a log view the filter takes the
// type definitions and the error reports of the printers out of it, removes
// the echo of the private Python block and runs of prompt echo lines, and
// leaves every other line alone.

#include "configuration/pythonerror.h"

#include <QHash>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTextCursor>

QT_BEGIN_NAMESPACE
class QPlainTextEdit;
class QTextDocument;
QT_END_NAMESPACE

namespace KorvanDebugger {
namespace Internal {

class LogFilter : public QObject
{
    Q_OBJECT
public:
    // typedefMap is the plug-in's map of reported type definitions; it is
    // not owned and must outlive the filter.
    explicit LogFilter(QMap<QString, QString> *typedefMap, QObject *parent = nullptr);

    // Filters the log view on each of its changes.
    void watch(QPlainTextEdit *log);

    // One scan of a log document: what the slot does between disconnecting
    // and reconnecting itself. Returns whether a type definition was new or
    // changed.
    bool filterDocument(QTextDocument *document);

    // Hands one complete report over (pythonErrorReported) and clears its
    // flags and line text, so that the next report starts afresh.
    void showPythonError(Configuration::PythonError &error);

public slots:
    // Connected to a log view's textChanged(); the sender must be a
    // QPlainTextEdit.
    void filterDebuggerOutput();

signals:
    // A new or changed type definition: the private block is regenerated.
    void typedefMapChanged();
    // The first complete error report of a scan, to be shown to the user.
    void pythonErrorReported(const KorvanDebugger::Configuration::PythonError &error);

private:
    QTextCursor &resumePoint(QTextDocument *document);

    QMap<QString, QString> *m_typedefMap;
    // Per document, the start of the first line that a later scan must see
    // again: every line before it is settled, so a scan costs only what
    // was appended since the previous one.
    QHash<const QTextDocument *, QTextCursor> m_resume;
};

// The parts of the key of a customized value's failing printer: the error's
// API list starts with "custom", then the key "api;path;class". Takes both
// components off the list; false when the key has fewer than three parts.
struct CustomErrorTarget
{
    QString api;
    QString path;
    QString className;
};
bool takeCustomErrorTarget(Configuration::PythonError &error, CustomErrorTarget *target);

} // namespace Internal
} // namespace KorvanDebugger

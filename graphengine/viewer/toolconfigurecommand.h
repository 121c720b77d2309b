#pragma once

#include "undobasecommand.h"

#include <QByteArray>
#include <QMetaObject>
#include <QMetaType>
#include <QPointer>
#include <QString>

namespace GraphEngine {

// Sets one setting of a tool through the undo stack: the tool offers the
// invokable slots set<Name>(T) and get<Name>() for the property name, and
// the command calls them by name, so "Undo" also takes a setting back. A
// run of settings of one tool merges into one command.
template<typename T>
class ToolConfigureCommand : public UndoBaseCommand
{
public:
    static constexpr int commandId = 144728;

    ToolConfigureCommand(QObject *tool, const QString &propertyName, const T &value)
        : UndoBaseCommand(ActivateTool)
        , tool(tool)
        , setterName(QByteArray("set") + propertyName.toLatin1())
        , getterName(QByteArray("get") + propertyName.toLatin1())
        , argTypeName(QMetaType::typeName(qMetaTypeId<T>()))
        , oldValue()
        , newValue(value)
    {
        if (tool)
            QMetaObject::invokeMethod(tool, getterName.constData(), Qt::DirectConnection,
                                      QGenericReturnArgument(argTypeName.constData(), &oldValue));
        setText(tr("Configure '%1'").arg(propertyName));
    }

    // Its own calls replace the base's state and scene changes entirely.
    void redo() override { set(newValue); }
    void undo() override { set(oldValue); }
    int id() const override { return commandId; }
    bool mergeWith(const QUndoCommand *other) override
    {
        if (!other || other->id() != id())
            return false;
        auto *same = dynamic_cast<const ToolConfigureCommand<T> *>(other);
        if (!same || same->tool != tool)
            return false;
        newValue = same->newValue;
        return true;
    }

    // Not owned; a tool that is gone is not called.
    QPointer<QObject> tool;
    QByteArray setterName;
    QByteArray getterName;
    QByteArray argTypeName;
    T oldValue;
    T newValue;

private:
    void set(const T &value)
    {
        if (tool)
            QMetaObject::invokeMethod(tool, setterName.constData(), Qt::DirectConnection,
                                      QGenericArgument(argTypeName.constData(), &value));
    }
};

} // namespace GraphEngine

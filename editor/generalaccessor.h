#pragma once

// The editor of one general accessor object: how the generated printer
// reaches one value from the processed object (accessor, cast type,
// post-process) and the direction pair, as five accessor rows in a titled
// group box. Its Python is that of GeneralAccessorGenerator for its value.

#include "fieldinput.h"

#include "configuration/baseinput.h"

#include <QGroupBox>

namespace KorvanDebugger {
namespace Configuration {

class GeneralAccessor : public QGroupBox, public BaseInput
{
    Q_OBJECT
public:
    // containerForm: the Python call entries take the container too.
    GeneralAccessor(const QString &title, const QString &key, QWidget *parent, bool containerForm);

    QJsonValue value() const override;
    void setValue(const QJsonObject &object, bool byKey) override;
    // Nothing while hidden.
    PythonCode generate() override;
    // True while hidden; otherwise every row is checked and marked.
    bool isValid() const override;
    bool showError(PythonError *error) override;
    void setVisible(bool visible) override;

    // name: the accessor's display name ("The Key"), filling the texts'
    // placeholders; preface: put in front of every What's This text.
    void installHelp(const QString &name, const QString &preface, const QString &toolTip);

    AccessorField *accessorRow() const { return m_accessor; }
    AccessorField *typeRow() const { return m_type; }
    AccessorField *postProcessRow() const { return m_postProcess; }
    AccessorField *directionFieldRow() const { return m_directionField; }
    AccessorField *directionTypeRow() const { return m_directionType; }
    bool shown() const { return m_rows.shown(); }
    // An optional accessor left blank is valid and reads as nothing.
    void setOptional(bool optional);
    bool isOptional() const { return m_optional; }
    bool isBlank() const;

public slots:
    // The direction type matters only once a direction field is set.
    void updateDirectionType();

signals:
    void changed();

private:
    AccessorFieldSet m_rows;
    AccessorField *m_accessor;
    AccessorField *m_type;
    AccessorField *m_postProcess;
    AccessorField *m_directionField;
    AccessorField *m_directionType;
    bool m_optional = false;
};

} // namespace Configuration
} // namespace KorvanDebugger

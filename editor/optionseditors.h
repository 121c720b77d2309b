#pragma once

// The editors of the "string" and "bitArray" objects of a class model: the
// accessors from which the generated printer decodes a string-like class or
// a bit array. Their Python comes from StringOptionsGenerator and
// BitArrayOptionsGenerator over the stored object; the editors make none.

#include "fieldinput.h"

#include "configuration/baseinput.h"

#include <QWidget>

namespace KorvanDebugger {
namespace Configuration {

struct AccessorRowDescription;

// What the two editors share: accessor rows in a grid, the value merged from
// them, and a shown state outside which the editor is valid.
class AccessorOptionsEditor : public QWidget, public BaseInput
{
    Q_OBJECT
public:
    QJsonValue value() const override;
    // byKey: the object under the editor's key; a missing or non-object
    // entry loads every row from nothing. The rows stay silent.
    void setValue(const QJsonObject &object, bool byKey) override;
    // The editor makes no code: an empty record.
    PythonCode generate() override;
    bool isValid() const override;
    bool showError(PythonError *error) override;
    void setVisible(bool visible) override;

    const QList<AccessorField *> &rows() const { return m_rows.rows(); }
    bool shown() const { return m_rows.shown(); }

signals:
    void changed();

protected:
    AccessorOptionsEditor(const QString &key, QWidget *parent);
    // Rows in order, their help (the sentence over the common text, both
    // translated in the editor's own context).
    void buildRows(const AccessorRowDescription *rowDescriptions, int count, const char *commonText);

private:
    AccessorFieldSet m_rows;
};

// The "string" object: base, length, format, encoding.
class StringOptions : public AccessorOptionsEditor
{
    Q_OBJECT
public:
    explicit StringOptions(QWidget *parent = nullptr);
};

// The "bitArray" object: base, length.
class BitArrayOptions : public AccessorOptionsEditor
{
    Q_OBJECT
public:
    explicit BitArrayOptions(QWidget *parent = nullptr);
};

} // namespace Configuration
} // namespace KorvanDebugger

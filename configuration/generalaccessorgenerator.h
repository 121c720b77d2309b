#pragma once

// General accessors: one step from a value to another value (accessor, cast
// type, post-process, and the two direction accessors), and paths of such
// steps. They become instances of the dumper-side classes GenericAccessor
// and CombinedGenericAccessor.

#include "accessorinputgenerator.h"
#include "baseinput.h"

#include <QJsonArray>

#include <vector>

namespace KorvanDebugger {
namespace Configuration {

// One general-accessor object -> one GenericAccessor instance.
class GeneralAccessorGenerator : public BaseInput
{
public:
    explicit GeneralAccessorGenerator(const QString &key);

    QJsonValue value() const override; // null: never used as an editor
    // Reads the step object (object[key] when byKey, else the object; a
    // value that is no object counts as an empty object).
    void setValue(const QJsonObject &json, bool byKey) override;
    // Keyword argument "<key> = _Id_N" bound to the GenericAccessor
    // instance; an empty record when no member yields anything.
    PythonCode generate() override;

    // True when the step hands the value back unchanged: identity accessor
    // and post-process, no cast type and no direction accessor.
    bool isIdentity() const;

    QString context;
    AccessorInputGenerator accessor;
    AccessorInputGenerator type;
    AccessorInputGenerator postProcess;
    AccessorInputGenerator directionField;
    AccessorInputGenerator directionType;
    bool dereference = false; // emits "dereference = True"

private:
    friend class GeneralAccessorListGenerator;

    // generate() under another keyword name (the steps of a list are
    // generated without a keyword, a single remaining step under the list's).
    PythonCode generateAs(const QString &keyword);
    bool hasDirection() const;
};

// An array of general-accessor objects (or one object standing alone) ->
// one CombinedGenericAccessor over the steps, or one GenericAccessor when a
// single step remains after trimming or fusing.
class GeneralAccessorListGenerator : public BaseInput
{
public:
    // dereferenceSteps: every step but the last follows pointers ("accessor"
    // lists); otherwise adjacent steps are fused where one step can do the
    // work of both ("key" and "value" lists), except in debug mode.
    GeneralAccessorListGenerator(const QString &key, bool dereferenceSteps);

    QJsonValue value() const override; // an empty object
    void setValue(const QJsonObject &json, bool byKey) override;
    PythonCode generate() override;

    const QJsonArray &args() const { return m_args; }
    bool dereferencesSteps() const { return m_dereferenceSteps; }

    // Fuses step b into step a when one GenericAccessor can do both;
    // returns false and leaves a unchanged otherwise.
    static bool fuseSteps(GeneralAccessorGenerator &a, const GeneralAccessorGenerator &b);

private:
    std::vector<GeneralAccessorGenerator> makeSteps() const;
    PythonCode generateDereferencing() const;
    PythonCode generateFused() const;
    PythonCode combine(std::vector<GeneralAccessorGenerator> &steps) const;

    QJsonArray m_args;
    bool m_dereferenceSteps;
};

} // namespace Configuration
} // namespace KorvanDebugger

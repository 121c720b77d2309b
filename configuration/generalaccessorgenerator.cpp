#include "generalaccessorgenerator.h"

#include "keys.h"

#include "editor/korvandebuggeroptions.h"

#include <QVarLengthArray>

namespace KorvanDebugger {
namespace Configuration {

namespace {

const QString defaultContextName = QStringLiteral("<Default>");

// A member that emits code (an absent or unusable accessor emits nothing).
bool yieldsCode(const AccessorInputGenerator &member)
{
    return member.kind != AccessorKind::NoKind && member.kind != AccessorKind::KindNone;
}

void makeIdentity(AccessorInputGenerator &member)
{
    AccessorInputGenerator identity(member.key());
    identity.kind = AccessorKind::Field;
    identity.text = QStringLiteral(".");
    member.assignAccessor(identity);
}

} // namespace

// ---- GeneralAccessorGenerator ----------------------------------------------

GeneralAccessorGenerator::GeneralAccessorGenerator(const QString &key)
    : BaseInput(key)
    , accessor(Key::accessor)
    , type(Key::type)
    , postProcess(Key::postProcess)
    , directionField(Key::directionField)
    , directionType(Key::directionType)
{
}

QJsonValue GeneralAccessorGenerator::value() const
{
    return QJsonValue();
}

void GeneralAccessorGenerator::setValue(const QJsonObject &json, bool byKey)
{
    const QJsonObject step = selectValue(json, byKey).toObject();
    context = step.value(Key::context).toString();
    for (AccessorInputGenerator *member : {&accessor, &type, &postProcess, &directionField, &directionType}) {
        // A reloaded member would otherwise keep the previous step's kind
        // for a bare string and emit that kind with an empty text.
        member->setExpectedKind(AccessorKind::NoKind);
        member->setValue(step, true);
    }
}

PythonCode GeneralAccessorGenerator::generate()
{
    return generateAs(key());
}

PythonCode GeneralAccessorGenerator::generateAs(const QString &keyword)
{
    const DebugContextScope scope(keyword.isEmpty() ? defaultContextName : keyword, context);
    PythonCode code;
    for (AccessorInputGenerator *member : {&accessor, &type, &postProcess, &directionField, &directionType})
        code.merge(member->generate());
    if (dereference)
        appendCodeLine(code.expression, QStringLiteral("dereference = True"));
    if (code.expression.isEmpty())
        return code; // no instance: nothing for a caller to adopt as its helper
    // A member's own helper (a filter) is already instantiated.
    code.helperName.clear();
    code.setHelperName(QStringLiteral("GenericAccessor"));
    code.instantiateHelper();
    code.makeKeywordArgument(keyword);
    return code;
}

bool GeneralAccessorGenerator::isIdentity() const
{
    return accessor.isIdentity() && type.kind == AccessorKind::KindNone && postProcess.isIdentity()
           && !hasDirection();
}

bool GeneralAccessorGenerator::hasDirection() const
{
    return yieldsCode(directionField) || yieldsCode(directionType);
}

// ---- GeneralAccessorListGenerator ------------------------------------------

GeneralAccessorListGenerator::GeneralAccessorListGenerator(const QString &key, bool dereferenceSteps)
    : BaseInput(key)
    , m_dereferenceSteps(dereferenceSteps)
{
}

QJsonValue GeneralAccessorListGenerator::value() const
{
    return QJsonObject();
}

void GeneralAccessorListGenerator::setValue(const QJsonObject &json, bool byKey)
{
    const QJsonValue v = selectValue(json, byKey);
    if (v.isArray())
        m_args = v.toArray();
    else if (v.isObject())
        m_args = QJsonArray{v};
    else
        m_args = QJsonArray(); // a reloaded list must not keep the previous definition's steps
}

PythonCode GeneralAccessorListGenerator::generate()
{
    if (m_args.isEmpty())
        return PythonCode();
    return m_dereferenceSteps ? generateDereferencing() : generateFused();
}

std::vector<GeneralAccessorGenerator> GeneralAccessorListGenerator::makeSteps() const
{
    std::vector<GeneralAccessorGenerator> steps;
    steps.reserve(size_t(m_args.size()));
    for (const QJsonValue &element : m_args) {
        // Steps are generated without a keyword (generateAs), so their own
        // key stays empty.
        steps.emplace_back(QString());
        steps.back().setValue(element.toObject(), false);
    }
    return steps;
}

PythonCode GeneralAccessorListGenerator::generateDereferencing() const
{
    std::vector<GeneralAccessorGenerator> steps = makeSteps();
    while (steps.size() > 1 && steps.back().isIdentity())
        steps.pop_back();
    if (steps.size() == 1)
        return steps.front().generateAs(key());
    for (size_t i = 0; i + 1 < steps.size(); ++i)
        steps[i].dereference = true;
    return combine(steps);
}

PythonCode GeneralAccessorListGenerator::generateFused() const
{
    std::vector<GeneralAccessorGenerator> steps = makeSteps();
    // In debug mode every step keeps its own instance, so that a report
    // names the step the user wrote.
    if (!KorvanDebugger::Internal::KorvanDebuggerOptions::debugModeEnabled()) {
        size_t i = 0;
        while (i + 1 < steps.size()) {
            if (fuseSteps(steps[i], steps[i + 1]))
                steps.erase(steps.begin() + std::ptrdiff_t(i + 1));
            else
                ++i;
        }
    }
    if (steps.size() == 1)
        return steps.front().generateAs(key());
    return combine(steps);
}

PythonCode GeneralAccessorListGenerator::combine(std::vector<GeneralAccessorGenerator> &steps) const
{
    PythonCode code;
    for (GeneralAccessorGenerator &step : steps)
        code.merge(step.generateAs(QString()));
    code.joinExpressionLines();
    code.expression = QLatin1Char('[') + code.expression + QLatin1Char(']');
    code.makeKeywordArgument(Key::args);
    // The steps' helper name belongs to their own, finished instances.
    code.helperName.clear();
    code.setHelperName(QStringLiteral("CombinedGenericAccessor"));
    code.instantiateHelper();
    code.makeKeywordArgument(key());
    return code;
}

bool GeneralAccessorListGenerator::fuseSteps(GeneralAccessorGenerator &a, const GeneralAccessorGenerator &b)
{
    // One step holds no direction for two: fusing would drop one of them.
    if (a.hasDirection() || b.hasDirection())
        return false;

    // The non-identity parts in the order they apply, and where the cast
    // stands among them (after typePosition parts).
    QVarLengthArray<const AccessorInputGenerator *, 4> parts;
    int typeCount = 0;
    int typePosition = -1;
    const AccessorInputGenerator *theType = nullptr;

    if (!a.accessor.isIdentity())
        parts.append(&a.accessor);
    if (a.type.kind != AccessorKind::KindNone) {
        typeCount = 1;
        typePosition = parts.size();
        theType = &a.type;
    }
    if (!a.postProcess.isIdentity())
        parts.append(&a.postProcess);
    if (!b.accessor.isIdentity())
        parts.append(&b.accessor);
    if (b.type.kind != AccessorKind::KindNone) {
        const int k = parts.size();
        if (k > 1)
            ++typeCount;
        if (typePosition != k)
            ++typeCount;
        typePosition = k;
        theType = &b.type; // the later cast replaces the earlier one
    }
    if (!b.postProcess.isIdentity())
        parts.append(&b.postProcess);

    GeneralAccessorGenerator m{QString()};
    m.setValue(QJsonObject(), false); // every member absent, so a later fusion sees no cast
    if (typeCount == 0) {
        if (parts.size() > 2)
            return false;
        if (parts.isEmpty())
            makeIdentity(m.accessor);
        else
            m.accessor.assignAccessor(*parts.at(0));
        if (parts.size() == 2)
            m.postProcess.assignAccessor(*parts.at(1));
    } else if (typeCount == 1) {
        // The fused step casts between its accessor and its post-process.
        if (parts.isEmpty()) {
            makeIdentity(m.accessor);
        } else if (parts.size() == 1 && typePosition == 1) {
            m.accessor.assignAccessor(*parts.at(0));
        } else if (parts.size() == 1 && typePosition == 0) {
            makeIdentity(m.accessor);
            m.postProcess.assignAccessor(*parts.at(0));
        } else if (parts.size() == 2 && typePosition == 1) {
            m.accessor.assignAccessor(*parts.at(0));
            m.postProcess.assignAccessor(*parts.at(1));
        } else {
            return false;
        }
        m.type.assignAccessor(*theType);
    } else {
        return false;
    }
    a = m;
    return true;
}

} // namespace Configuration
} // namespace KorvanDebugger

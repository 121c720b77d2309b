#pragma once

// The parsed form of one accessor of a type model (a field's accessor, an
// array base, a filter, a class name, a field type word, a class feature
// word, ...): its kind word and the texts and numbers the kind needs, and
// the Python that reaches the value, type or text it describes.

#include "accessorkind.h"
#include "baseinput.h"

#include <QCoreApplication>

namespace KorvanDebugger {
namespace Configuration {

class AccessorInputGenerator : public BaseInput
{
    Q_DECLARE_TR_FUNCTIONS(KorvanDebugger::Configuration::AccessorInputGenerator)
public:
    // The expected kind decides what a bare JSON string is: a feature word
    // (feature flag in expectedHigh), a field-type word (field-type flag in
    // expectedHigh) or plain text (Text, TextAlternative, ClassName,
    // ContainerClassName or GroupName in expectedLow).
    explicit AccessorInputGenerator(const QString &key, int expectedLow = 0, int expectedHigh = 0);

    // Owners that reload set the expected kind again before each load.
    void setExpectedKind(AccessorKind expected) { kind = expected; }

    QJsonValue value() const override;
    void setValue(const QJsonObject &object, bool byKey) override;
    PythonCode generate() override;

    // True when the accessor hands the value back unchanged.
    bool isIdentity() const;

    // Copies everything but the key, so a member that takes over another
    // accessor keeps its own keyword name.
    void assignAccessor(const AccessorInputGenerator &other);

    // The sum with one more term of count * the size of "int" or "ptr";
    // sum is moved into the result and left empty.
    static QString sizeExpression(int count, const char *typeWord, QString &sum);

    // The option labels of TemplateArgumentType (translated).
    static QString pointerToLabel();
    static QString pointerIfLargeLabel();
    static QString noOptionLabel();

    AccessorKind kind = AccessorKind::NoKind;
    QString text;
    QString groupText;
    int intCount = 0;
    int ptrCount = 0;
    QString templateOption;
    QString apiHeader;
    QString apiBody;
    QString context;

private:
    void loadString(const QString &string);
    void loadObject(const QJsonObject &object);

    void emitKindCode(PythonCode &code) const;
    QString cppTypeFunction() const;
    QString pythonApiFunction(const QString &name) const;
    QString offsetFunction(const QString &name, const char *sizeTemplate) const;
};

} // namespace Configuration
} // namespace KorvanDebugger

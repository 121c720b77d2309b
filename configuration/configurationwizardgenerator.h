#pragma once

// The parsed form of one field definition (kind 9) or one class definition
// (kind 14): one sub-generator per JSON key, loaded together, and the Python
// of the definition: a field helper instance, or a class's qform__/qdump__
// dumper functions.

#include "accessorinputgenerator.h"
#include "baseinput.h"
#include "enuminputgenerator.h"
#include "exclusivechoicegenerator.h"
#include "generalaccessorgenerator.h"
#include "optionsgenerators.h"

#include <memory>

namespace KorvanDebugger {
namespace Configuration {

class FieldList;

// The choice tables of the "dimension" and "customization" keys.
void addDimensionChoices(ExclusiveChoiceGenerator &choice);
void addCustomizationChoices(ExclusiveChoiceGenerator &choice);

class ConfigurationWizardGenerator : public BaseInput
{
public:
    enum Kind {
        FieldDefinition = 9,
        ClassDefinition = 14,
        Container1DField = 15,
        Container2DField = 16,
    };

    ConfigurationWizardGenerator(const QString &key, int kind);
    ~ConfigurationWizardGenerator() override;

    QJsonValue value() const override;
    void setValue(const QJsonObject &object, bool byKey) override;
    PythonCode generate() override;

    PythonCode generateClass();
    PythonCode generateField();

    QString customApiKey() const;
    QString modelName() const;
    bool isContainer(bool edited) const;
    int containerDimension() const;
    QJsonObject fieldAt(int index) const;

    int kind() const { return m_kind; }
    bool enabled() const { return m_enabled; }
    AccessorKind fieldType() const;
    AccessorKind featureKind() const;

    // Sub-generators, in the order of the definition's keys.
    AccessorInputGenerator type;
    ExclusiveChoiceGenerator dimension;
    AccessorInputGenerator model;
    GeneralAccessorListGenerator accessor;
    AccessorInputGenerator displayedName;
    AccessorInputGenerator userNode;
    AccessorInputGenerator trueValue;
    AccessorInputGenerator falseValue;
    EnumInputGenerator classEnumeration;
    EnumInputGenerator fieldEnumeration;
    AccessorInputGenerator arrayBase;
    AccessorInputGenerator arraySize;
    AccessorInputGenerator cellDefinition;
    AccessorInputGenerator invalidCondition;
    AccessorInputGenerator overflowSpace;
    AccessorInputGenerator arrayNbElement;
    AccessorInputGenerator linkedBase;
    AccessorInputGenerator left;
    AccessorInputGenerator right;
    AccessorInputGenerator nodeDefinition;
    AccessorInputGenerator endCondition;
    AccessorInputGenerator linkedNbElement;
    AccessorInputGenerator itemName;
    AccessorInputGenerator itemsName;
    GeneralAccessorListGenerator keyList;
    GeneralAccessorListGenerator valueList;
    QString apiPath;
    QString apiName;
    QString apiClassName;
    ExclusiveChoiceGenerator customization;
    ExclusiveChoiceGenerator scope;
    GeneralAccessorGenerator keyCustom;
    GeneralAccessorGenerator valueCustom;
    AccessorInputGenerator filter;
    std::unique_ptr<FieldList> fields;
    AccessorInputGenerator className;
    AccessorInputGenerator feature;
    GeneralAccessorGenerator header;
    StringOptionsGenerator string;
    BitArrayOptionsGenerator bitArray;
    AccessorInputGenerator group;

private:
    bool headerIsIdentity() const;

    bool m_enabled = true;
    int m_kind;
};

} // namespace Configuration
} // namespace KorvanDebugger

#pragma once

#include "baseinput.h"

#include <memory>

namespace KorvanDebugger {
namespace Configuration {

class EnumModel;

// The generator side of an "enumeration" object: its value table becomes the
// enums/masks keyword arguments of the dumper-side GenericEnumHelper.
class EnumInputGenerator : public BaseInput
{
public:
    explicit EnumInputGenerator(const QString &key);
    ~EnumInputGenerator() override;
    EnumInputGenerator(const EnumInputGenerator &other);
    EnumInputGenerator &operator=(const EnumInputGenerator &other);

    QJsonValue value() const override;
    void setValue(const QJsonObject &object, bool byKey) override;
    PythonCode generate() override;

    EnumModel *model() const { return m_model.get(); }

    // Loads the stored table ("masks" and "enums") of an enumeration object
    // into a model, as the generator and the editor both read it.
    static void loadTable(EnumModel *model, const QJsonObject &enumeration);

private:
    std::unique_ptr<EnumModel> m_model;
};

} // namespace Configuration
} // namespace KorvanDebugger

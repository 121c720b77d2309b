#include "enumfield.h"

namespace KorvanDebugger {
namespace Configuration {

EnumField::EnumField(const QString &labelText, const QString &key, QWidget *page)
    : FieldInput<EnumInput>(labelText, new EnumInput(key, nullptr), page)
{
    connect(input(), &EnumInput::changed, this, &EnumField::changed);
}

} // namespace Configuration
} // namespace KorvanDebugger

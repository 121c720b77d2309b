#pragma once

// The field row of an enumeration input, for the definition editor's
// "Enumeration" page and its class page.

#include "enuminput.h"
#include "fieldinput.h"

namespace KorvanDebugger {
namespace Configuration {

class EnumField : public QObject, public FieldInput<EnumInput>
{
    Q_OBJECT
public:
    EnumField(const QString &labelText, const QString &key, QWidget *page);

signals:
    void changed();
};

} // namespace Configuration
} // namespace KorvanDebugger

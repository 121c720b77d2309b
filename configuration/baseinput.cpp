#include "baseinput.h"

namespace KorvanDebugger {
namespace Configuration {

BaseInput::~BaseInput() = default;

} // namespace Configuration
} // namespace KorvanDebugger

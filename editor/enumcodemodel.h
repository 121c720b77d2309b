#pragma once

// The code model the enumeration definition editors parse with: the include
// folders of the default kit's Qt headers and of the startup project's
// headers, for the host's C++ parser and for the helper program's compiler.

#include <QStringList>

namespace CppTools {
class BaseEditorDocumentParser;
}

namespace KorvanDebugger {
namespace Configuration {

// Qt folders first (the entries of the Qt header folder Q that are folders,
// "." included, by name ignoring case: Q/., Q/QtCore, ...), then the distinct
// folders of the startup project's header files. Each path stays one entry,
// blanks and all.
QStringList enumIncludeDirectories();

// The same list as g++ options: "-I" and the path, one argument each.
QStringList enumIncludeOptions();

// Gives the parser a project part with the current include folders, and
// renews it when they have changed since (a kit or Qt version that came
// later); a parser whose project part somebody else set keeps it. True when
// the parser's folders changed.
bool configureEnumParser(CppTools::BaseEditorDocumentParser *parser);

} // namespace Configuration
} // namespace KorvanDebugger

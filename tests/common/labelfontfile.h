#pragma once

// Graph labels measured and drawn in a font file the test loads itself, so
// that the fonts a machine happens to have cannot move a label or change a
// pixel or a picture's digest. The file is DejaVu Sans Mono of
// fonts-dejavu-core (which build.sh installs), or the file of that package
// that KORVAN_TEST_LABEL_FONT names (a twin run with a font that has
// ligatures and kerning). Call it before the first label is measured: the
// label cache keeps the font it was first prepared with.

#include <QString>

namespace TestFonts {

// Loads the file and makes its family the label font at the product's size,
// without falling back on other fonts for the characters it lacks.
// Returns false, with the reason in error, when the file is missing or the
// font database would draw another family in its place.
bool useLabelFontFile(QString *error);

} // namespace TestFonts

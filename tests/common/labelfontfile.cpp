#include "labelfontfile.h"

#include "graphengine/globals.h"
#include "graphengine/model/labelcache.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace TestFonts {

bool useLabelFontFile(QString *error)
{
    QString name = qEnvironmentVariable("KORVAN_TEST_LABEL_FONT");
    if (name.isEmpty())
        name = QStringLiteral("DejaVuSansMono.ttf");
    const QString file = QStringLiteral("/usr/share/fonts/truetype/dejavu/") + name;
    if (GraphEngine::LabelCache::instance().isPrepared()) {
        *error = QStringLiteral("The label cache was prepared before %1 was loaded.").arg(file);
        return false;
    }
    if (!QFile::exists(file)) {
        *error = QStringLiteral("%1 is missing (package fonts-dejavu-core, installed by build.sh).").arg(file);
        return false;
    }
    const int id = QFontDatabase::addApplicationFont(file);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (id < 0 || families.size() != 1) {
        *error = QStringLiteral("%1 could not be loaded as one family (found: %2).")
                     .arg(file, families.join(QStringLiteral(", ")));
        return false;
    }
    const QString family = families.first();
    GraphEngine::labelFont().set(family, 14.0);
    // A character the file lacks (the C1 controls count in the average
    // width) would otherwise be measured in whichever installed font has it.
    GraphEngine::labelFont().font.setStyleStrategy(QFont::NoFontMerging);
    const QFontInfo resolved(GraphEngine::labelFont().font);
    if (resolved.family() != family) {
        *error = QStringLiteral("The label font resolves to \"%1\" instead of \"%2\" of %3.")
                     .arg(resolved.family(), family, file);
        return false;
    }
    return true;
}

} // namespace TestFonts

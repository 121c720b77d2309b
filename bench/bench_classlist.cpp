// Loads the built-in model set into a shown class list, the way the options
// page fills its list when it opens, and reports the time it takes.

#include "configuration/document.h"
#include "configuration/keys.h"
#include "editor/configurationlist.h"
#include "plugin/korvandebuggerplugin.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace KorvanDebugger;

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QJsonObject document;
    if (!Configuration::parseConfiguration(document,
                                           Internal::KorvanDebuggerPlugin::getResourceCode(":PrettyPrinters.conf"))) {
        std::fprintf(stderr, "the built-in model set does not load\n");
        return 1;
    }
    const int classes = document.value(Configuration::Key::classes).toArray().size();

    Configuration::ClassList list;
    list.addButtons();
    list.resize(600, 800);
    list.show();
    QCoreApplication::processEvents();

    const int runs = 50;
    std::vector<double> load;
    std::vector<double> shown;
    const QJsonObject empty{{Configuration::Key::classes, QJsonArray()}};
    for (int i = 0; i < runs; ++i) {
        list.setValue(empty, true);
        list.classModel()->expandGroup(QStringLiteral("Qt (Common)"));
        QCoreApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        list.setValue(document, true);
        load.push_back(timer.nsecsElapsed() / 1e6);
        // The view lays out and paints the new tree.
        list.repaint();
        QCoreApplication::processEvents();
        shown.push_back(timer.nsecsElapsed() / 1e6);
    }
    if (list.value().toArray().size() != classes) {
        std::fprintf(stderr, "the class list holds %d of %d classes\n", int(list.value().toArray().size()), classes);
        return 1;
    }
    std::sort(load.begin(), load.end());
    std::sort(shown.begin(), shown.end());
    std::printf("built-in set, %d classes, %d runs\n", classes, runs);
    std::printf("setValue:            median %.2f ms, max %.2f ms\n", load[runs / 2], load.back());
    std::printf("setValue and paint:  median %.2f ms, max %.2f ms\n", shown[runs / 2], shown.back());
    return shown[runs / 2] < 50.0 ? 0 : 2;
}

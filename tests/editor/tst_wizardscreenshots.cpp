// Renders the main pages of the model wizard to PNG files in the build
// folder (wizard-<page id>-<title>.png), so that a reviewer can look at them.

#include "common/testenvironment.h"

#include "configuration/keys.h"
#include "editor/configurationwizard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QtTest>

using namespace KorvanDebugger::Configuration;
using Wizard = ConfigurationWizard;

class tst_WizardScreenshots : public QObject
{
    Q_OBJECT

private slots:
    void pages_data();
    void pages();

private:
    TestEnvironment m_environment;
};

void tst_WizardScreenshots::pages_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("page");
    for (int page : {9, 1, 2, 3, 4, 10, 11, 12, 13})
        QTest::addRow("field page %d", page) << int(Wizard::FieldDefinition) << page;
    QTest::addRow("class page") << int(Wizard::ClassDefinition) << 14;
    QTest::addRow("customization page") << int(Wizard::Container2DCustomization) << 15;
}

void tst_WizardScreenshots::pages()
{
    QFETCH(int, mode);
    QFETCH(int, page);
    Wizard wizard(Key::tmp, Wizard::OperatingMode(mode), nullptr);
    wizard.goToPage(page);
    wizard.resize(720, 560);
    wizard.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wizard));
    QCOMPARE(wizard.shownPage(), wizard.page(page));

    const QPixmap shot = wizard.grab();
    QString title = wizard.page(page)->title.toLower();
    title.replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("-"));
    const QString path = QDir(QCoreApplication::applicationDirPath())
                             .filePath(QStringLiteral("wizard-%1-%2.png").arg(page).arg(title));
    QVERIFY(shot.save(path, "PNG"));

    QVERIFY(QFileInfo(path).size() > 1000);
    const QImage image(path);
    QCOMPARE(image.size(), wizard.size() * wizard.devicePixelRatioF());
    // Not a blank picture: the page's texts and rows are drawn.
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    QSet<int> shades;
    for (int y = 0; y < gray.height(); y += 4)
        for (int x = 0; x < gray.width(); x += 4)
            shades.insert(gray.pixelColor(x, y).value());
    QVERIFY(shades.size() > 8);
}

QTEST_MAIN(tst_WizardScreenshots)
#include "tst_wizardscreenshots.moc"

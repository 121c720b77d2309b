// The exclusive choice: buttons and names, selection by id, by click and by
// JSON name, the help list, and validity, which depends on whether the
// choice was hidden on purpose and not on whether its dialog is shown yet.

#include "editor/exclusivechoice.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QDialog>
#include <QRadioButton>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

using namespace KorvanDebugger::Configuration;

namespace {

QList<QRadioButton *> buttonsOf(const ExclusiveChoice &choice)
{
    QList<QRadioButton *> buttons;
    for (int i = 0; i < choice.layout()->count(); ++i) {
        if (auto button = qobject_cast<QRadioButton *>(choice.layout()->itemAt(i)->widget()))
            buttons.append(button);
    }
    return buttons;
}

QJsonObject dimension(const QString &name)
{
    return QJsonObject{{QStringLiteral("dimension"), name}};
}

// The wizard's kind of ids: distinct bits.
void addDimensions(ExclusiveChoice &choice)
{
    choice.addChoice(QStringLiteral("One dimension"), 0x1, "1D", QStringLiteral("A list"));
    choice.addChoice(QStringLiteral("Two dimensions"), 0x2, "2D", QString());
}

} // namespace

class tst_ExclusiveChoice : public QObject
{
    Q_OBJECT
private slots:
    void construction();
    void selection();
    void loadingByName();
    void changingChoices();
    void help();
    void validity();
    void validityInDialogNotYetShown();
};

void tst_ExclusiveChoice::construction()
{
    ExclusiveChoice vertical(QStringLiteral("Dimension"), QStringLiteral("dimension"), nullptr, true);
    ExclusiveChoice horizontal(QStringLiteral("Scope"), QStringLiteral("scope"), nullptr, false);
    QCOMPARE(vertical.title(), QStringLiteral("Dimension"));
    QCOMPARE(vertical.key(), QStringLiteral("dimension"));
    QCOMPARE(vertical.widget(), &vertical);
    QVERIFY(qobject_cast<QVBoxLayout *>(vertical.layout()));
    QVERIFY(qobject_cast<QHBoxLayout *>(horizontal.layout()));
    QCOMPARE(vertical.currentId(), -2); // nothing checked
    QCOMPARE(vertical.generate(), PythonCode());

    addDimensions(vertical);
    const auto buttons = buttonsOf(vertical);
    QCOMPARE(buttons.size(), 2);
    QCOMPARE(buttons.at(0)->text(), QStringLiteral("One dimension"));
    QCOMPARE(buttons.at(0)->toolTip(), QStringLiteral("A list"));
    QVERIFY(!buttons.at(0)->isChecked() && !buttons.at(1)->isChecked());
    QCOMPARE(vertical.value(), QJsonValue(QStringLiteral("NotDefined")));
    QCOMPARE(vertical.choiceNames().value(0x2), QStringLiteral("2D"));
}

void tst_ExclusiveChoice::selection()
{
    ExclusiveChoice choice(QStringLiteral("Dimension"), QStringLiteral("dimension"), nullptr, true);
    addDimensions(choice);
    QSignalSpy changed(&choice, &ExclusiveChoice::changed);
    const auto buttons = buttonsOf(choice);

    QTest::mouseClick(buttons.at(1), Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(choice.currentId(), 0x2);
    QCOMPARE(choice.value(), QJsonValue(QStringLiteral("2D")));
    // The checked button clicked again still notifies.
    QTest::mouseClick(buttons.at(1), Qt::LeftButton);
    QCOMPARE(changed.count(), 2);

    choice.setCurrentId(0x1);
    QCOMPARE(changed.count(), 3);
    QVERIFY(buttons.at(0)->isChecked());
    QVERIFY(!buttons.at(1)->isChecked());
    // An id without a button keeps the selection and notifies all the same.
    choice.setCurrentId(0x40);
    QCOMPARE(changed.count(), 4);
    QCOMPARE(choice.currentId(), 0x1);

    // Hiding keeps the selection.
    choice.setVisible(false);
    QCOMPARE(choice.value(), QJsonValue(QStringLiteral("1D")));
    QVERIFY(choice.isHidden());
}

void tst_ExclusiveChoice::loadingByName()
{
    ExclusiveChoice choice(QStringLiteral("Dimension"), QStringLiteral("dimension"), nullptr, true);
    addDimensions(choice);
    QSignalSpy changed(&choice, &ExclusiveChoice::changed);

    choice.setValue(dimension(QStringLiteral("2D")), true);
    QCOMPARE(changed.count(), 1);
    QVERIFY(buttonsOf(choice).at(1)->isChecked());

    // Through the input interface, by the whole value.
    BaseInput &input = choice;
    input.setValue(QJsonObject(), false);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(choice.value(), QJsonValue(QStringLiteral("2D")));

    choice.setCurrentId(0x1);
    // A name that is not in the table keeps the first choice.
    choice.setValue(dimension(QStringLiteral("3D")), true);
    QCOMPARE(changed.count(), 4);
    QCOMPARE(choice.value(), QJsonValue(QStringLiteral("1D")));
    // Names compare exactly.
    choice.setValue(dimension(QStringLiteral("2d")), true);
    QCOMPARE(choice.value(), QJsonValue(QStringLiteral("1D")));
}

void tst_ExclusiveChoice::changingChoices()
{
    ExclusiveChoice choice(QStringLiteral("Customization"), QStringLiteral("customization"), nullptr, true);
    addDimensions(choice);
    // A known id: only the text changes; place, tool tip and name stay.
    choice.addChoice(QStringLiteral("Flat"), 0x1, "Flat", QStringLiteral("other tip"));
    auto buttons = buttonsOf(choice);
    QCOMPARE(buttons.size(), 2);
    QCOMPARE(buttons.at(0)->text(), QStringLiteral("Flat"));
    QCOMPARE(buttons.at(0)->toolTip(), QStringLiteral("A list"));
    QCOMPARE(choice.choiceNames().value(0x1), QStringLiteral("1D"));

    choice.setCurrentId(0x2);
    QSignalSpy changed(&choice, &ExclusiveChoice::changed);
    choice.clearChoices();
    QCOMPARE(changed.count(), 0);
    QVERIFY(buttonsOf(choice).isEmpty());
    QVERIFY(choice.choiceNames().isEmpty());
    QCOMPARE(choice.currentId(), -2);

    choice.addChoice(QStringLiteral("Swap"), 0x8, "Swap", QString());
    choice.addChoice(QStringLiteral("General"), 0x4, "General", QString());
    buttons = buttonsOf(choice);
    QCOMPARE(buttons.size(), 2);
    QCOMPARE(buttons.at(0)->text(), QStringLiteral("Swap")); // in the order added
    QCOMPARE(buttons.at(1)->text(), QStringLiteral("General"));
    choice.setCurrentId(0x4);
    QCOMPARE(choice.value(), QJsonValue(QStringLiteral("General")));
}

void tst_ExclusiveChoice::help()
{
    ExclusiveChoice choice(QStringLiteral("Dimension"), QStringLiteral("dimension"), nullptr, true);
    QVERIFY(choice.choiceHelp().isEmpty());
    addDimensions(choice);
    QCOMPARE(choice.choiceHelp(), QStringLiteral("<li><b>One dimension</b>: A list</li>"));
}

void tst_ExclusiveChoice::validity()
{
    ExclusiveChoice choice(QStringLiteral("Dimension"), QStringLiteral("dimension"), nullptr, true);
    addDimensions(choice);
    // Nothing checked and never shown: still a missing answer.
    QVERIFY(!choice.isValid());
    choice.show();
    QVERIFY(!choice.isValid());
    // Hidden on purpose: never blocks, whatever it holds.
    choice.setVisible(false);
    QVERIFY(choice.isValid());
    choice.setVisible(true);
    QVERIFY(!choice.isValid());
    choice.setCurrentId(0x2);
    QVERIFY(choice.isValid());
}

void tst_ExclusiveChoice::validityInDialogNotYetShown()
{
    // A wizard page before the dialog opens: no widget is visible yet, but
    // the required choice must not count as answered.
    QDialog dialog;
    auto page = new QWidget(&dialog);
    auto choice = new ExclusiveChoice(QStringLiteral("Dimension"), QStringLiteral("dimension"), page, true);
    addDimensions(*choice);
    QVERIFY(!choice->isVisible());
    QVERIFY(!choice->isValid());
    dialog.show();
    QVERIFY(!choice->isValid());
    // A page that is not shown hides its choice with it, which the page's
    // own completeness handles; the choice itself was not hidden.
    page->hide();
    QVERIFY(!choice->isValid());
    choice->hide();
    QVERIFY(choice->isValid());
}

QTEST_MAIN(tst_ExclusiveChoice)
#include "tst_exclusivechoice.moc"

// Field rows: where a row places its parts on a grid page or in a box of its
// own, its validity mark, how it claims an error, its shown state, the
// starting option of an accessor row and the formatting of its help.

#include "configuration/keys.h"
#include "configuration/pythonerror.h"
#include "editor/accessorinput.h"
#include "editor/configurationlist.h"
#include "editor/fieldinput.h"
#include "editor/pythoneditor.h"
#include "editor/tipbutton.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

using namespace KorvanDebugger::Configuration;

namespace {

const QString redCross = QStringLiteral("<font color=\"red\">&#10008;</font>");

// An input that recognises errors of one variable as its own.
class ClaimingInput : public QLineEdit, public BaseInput
{
public:
    ClaimingInput() : BaseInput(QStringLiteral("claim")) { setWidget(this); }
    QJsonValue value() const override { return text(); }
    void setValue(const QJsonObject &object, bool byKey) override
    {
        setText(selectValue(object, byKey).toString());
    }
    PythonCode generate() override
    {
        PythonCode code;
        code.expression = QStringLiteral("claim = ") + text();
        return code;
    }
    bool showError(PythonError *error) override
    {
        shown = error->var;
        return error->var == QLatin1String("mine");
    }
    QString shown;
};

PythonError errorFor(const QString &var)
{
    PythonError error;
    error.flags = PythonError::FlagVar | PythonError::FlagErrorDesc;
    error.var = var;
    error.errorDesc = QStringLiteral("boom");
    return error;
}

struct GridPosition
{
    int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
    Qt::Alignment alignment;
};

GridPosition positionOf(QGridLayout *grid, QWidget *widget)
{
    GridPosition position;
    const int index = grid->indexOf(widget);
    if (index < 0)
        return position;
    grid->getItemPosition(index, &position.row, &position.column, &position.rowSpan, &position.columnSpan);
    position.alignment = grid->itemAt(index)->alignment();
    return position;
}

} // namespace

class tst_FieldInput : public QObject
{
    Q_OBJECT
private slots:
    void gridPlacement();
    void gridPlacementWithoutLabel();
    void boxPlacement();
    void validityMarks();
    void errorClaiming();
    void shownState();
    void startingOption_data();
    void startingOption();
    void forwardsInputOperations();
    void help();
};

void tst_FieldInput::gridPlacement()
{
    QWidget page;
    auto grid = new QGridLayout(&page);
    AccessorField first(0x2370, QStringLiteral("Accessor"), Key::accessor, &page);
    AccessorField second(0xc09, QStringLiteral("Type"), Key::type, &page);

    QCOMPARE(first.key(), Key::accessor);
    QCOMPARE(first.widget(), first.input());
    QCOMPARE(first.label()->text(), QStringLiteral("Accessor"));
    QCOMPARE(first.label()->parentWidget(), &page);

    const GridPosition tip = positionOf(grid, first.tipButton());
    const GridPosition status = positionOf(grid, first.statusLabel());
    const GridPosition label = positionOf(grid, first.label());
    const GridPosition input = positionOf(grid, first.input());
    QCOMPARE(tip.column, 0);
    QCOMPARE(status.column, 1);
    QCOMPARE(label.column, 2);
    QCOMPARE(input.column, 3);
    QCOMPARE(input.columnSpan, 1);
    QVERIFY(tip.row == status.row && status.row == label.row && label.row == input.row);
    QCOMPARE(tip.alignment, Qt::AlignRight | Qt::AlignTop);
    QCOMPARE(status.alignment, Qt::AlignRight | Qt::AlignTop);
    QCOMPARE(label.alignment, Qt::Alignment(Qt::AlignRight));
    QCOMPARE(input.alignment, Qt::Alignment());
    // The next row goes below.
    QCOMPARE(positionOf(grid, second.input()).row, input.row + 1);

    QCOMPARE(grid->columnStretch(0), 1);
    QCOMPARE(grid->columnStretch(2), 1);
    QCOMPARE(grid->columnStretch(3), 1000);
    QCOMPARE(grid->contentsMargins(), QMargins());
    // The tip button waits for an error table.
    QVERIFY(first.tipButton()->isHidden());
}

void tst_FieldInput::gridPlacementWithoutLabel()
{
    QWidget page;
    auto grid = new QGridLayout(&page);
    auto list = new FieldList(Key::fields);
    FieldInput<FieldList> row(QString(), list, &page);
    QVERIFY(!row.label());
    QCOMPARE(row.input(), list);
    QCOMPARE(row.widget(), static_cast<QWidget *>(list));
    const GridPosition input = positionOf(grid, list);
    QCOMPARE(input.column, 2);
    QCOMPARE(input.columnSpan, 2);
    QCOMPARE(list->parentWidget(), &page); // the page owns the list now
    // Help needs a label: nothing happens.
    row.setHelp(QStringLiteral("tip"), QStringLiteral("text"));
}

void tst_FieldInput::boxPlacement()
{
    QWidget page; // no layout: the row makes a box of its own
    AccessorField row(0x2370, QStringLiteral("Base"), Key::base, &page);
    QWidget *container = row.widget();
    QVERIFY(container != row.input());
    QCOMPARE(container->parentWidget(), &page);
    auto box = qobject_cast<QHBoxLayout *>(container->layout());
    QVERIFY(box);
    QCOMPARE(box->count(), 4);
    QCOMPARE(box->itemAt(0)->widget(), row.tipButton());
    QCOMPARE(box->itemAt(1)->widget(), row.statusLabel());
    QCOMPARE(box->itemAt(2)->widget(), row.label());
    QCOMPARE(box->itemAt(3)->widget(), row.input());
    QCOMPARE(box->itemAt(0)->alignment(), Qt::AlignHCenter | Qt::AlignTop);
    QCOMPARE(box->itemAt(3)->alignment(), Qt::Alignment());
    QCOMPARE(box->sizeConstraint(), QLayout::SetMinimumSize);

    // Without text the label exists but is left out of the box.
    AccessorField bare(0x2370, QString(), Key::length, nullptr);
    QScopedPointer<QWidget> bareContainer(bare.widget());
    QVERIFY(bare.label());
    QCOMPARE(bare.widget()->layout()->count(), 3);
    QCOMPARE(bare.widget()->layout()->itemAt(2)->widget(), bare.input());
}

void tst_FieldInput::validityMarks()
{
    QWidget page;
    new QGridLayout(&page);
    // "Text" that must not stay empty.
    AccessorField row(0x8000, QStringLiteral("Name"), Key::displayedName, &page);
    row.input()->validate(false);
    QVERIFY(!row.input()->isValid());

    QVERIFY(!row.isValid());
    QCOMPARE(row.statusLabel()->text(), redCross);
    QVERIFY(!row.input()->errorMessage().isEmpty());
    QCOMPARE(row.statusLabel()->toolTip(), row.input()->errorMessage());

    // Hidden: valid, unmarked.
    row.setVisible(false);
    QVERIFY(!row.visible());
    QVERIFY(row.isValid());
    QVERIFY(row.statusLabel()->text().isEmpty());
    QVERIFY(row.statusLabel()->toolTip().isEmpty());
    // Shown again: no mark until the next check.
    row.setVisible(true);
    QVERIFY(row.statusLabel()->text().isEmpty());
    QVERIFY(!row.isValid());
    QCOMPARE(row.statusLabel()->text(), redCross);

    // A valid entry clears the mark.
    row.input()->textEdit()->setText(QStringLiteral("items"));
    QVERIFY(row.isValid());
    QVERIFY(row.statusLabel()->text().isEmpty());
}

void tst_FieldInput::errorClaiming()
{
    QWidget page;
    new QGridLayout(&page);
    auto input = new ClaimingInput;
    FieldInput<ClaimingInput> row(QStringLiteral("Claim"), input, &page);

    // The input shows its own error: no table in the tip button.
    PythonError mine = errorFor(QStringLiteral("mine"));
    QVERIFY(row.showError(&mine));
    QCOMPARE(input->shown, QStringLiteral("mine"));
    QVERIFY(!row.tipButton()->menu());
    QVERIFY(row.tipButton()->isHidden());

    // Otherwise the row takes it: the table goes into the tip button.
    PythonError other = errorFor(QStringLiteral("other"));
    QVERIFY(row.showError(&other));
    QVERIFY(row.tipButton()->menu());
    QVERIFY(!row.tipButton()->isHidden());
    QVERIFY(!row.showError(nullptr));

    // An accessor input never handles errors: its row always shows them.
    AccessorField accessor(0x2370, QStringLiteral("Accessor"), Key::accessor, &page);
    QVERIFY(accessor.showError(&mine));
    QVERIFY(accessor.tipButton()->menu());
}

void tst_FieldInput::shownState()
{
    QWidget page;
    new QGridLayout(&page);
    AccessorField quiet(0x2370, QStringLiteral("Quiet"), Key::accessor, &page);
    AccessorField failed(0x2370, QStringLiteral("Failed"), Key::type, &page);
    PythonError error = errorFor(QStringLiteral("x"));
    failed.showError(&error);

    for (AccessorField *row : {&quiet, &failed}) {
        row->setVisible(false);
        QVERIFY(row->input()->isHidden());
        QVERIFY(row->label()->isHidden());
        QVERIFY(row->statusLabel()->isHidden());
        QVERIFY(row->tipButton()->isHidden());
        row->setVisible(true);
        QVERIFY(!row->input()->isHidden());
        QVERIFY(!row->label()->isHidden());
        QVERIFY(!row->statusLabel()->isHidden());
        QVERIFY(row->visible());
    }
    // The button comes back only where an error table was put.
    QVERIFY(quiet.tipButton()->isHidden());
    QVERIFY(!failed.tipButton()->isHidden());
}

void tst_FieldInput::startingOption_data()
{
    QTest::addColumn<quint64>("options");
    QTest::addColumn<qint64>("option");
    QTest::addColumn<QString>("entry");

    QTest::newRow("with None") << quint64(0x2371) << qint64(0x1) << "None";
    QTest::newRow("Field first") << quint64(0x2370) << qint64(0x10) << "Field";
    QTest::newRow("high word") << (quint64(0x3000) << 32) << (qint64(0x1000) << 32) << "Basic Field";
}

void tst_FieldInput::startingOption()
{
    QFETCH(quint64, options);
    QFETCH(qint64, option);
    QFETCH(QString, entry);

    AccessorField row(options, QStringLiteral("Row"), Key::accessor, nullptr);
    QScopedPointer<QWidget> container(row.widget());
    QCOMPARE(row.input()->optionMask(), options);
    QCOMPARE(row.input()->typeFlags(), option);
    QCOMPARE(row.input()->currentOption(), option);
    QCOMPARE(row.input()->optionCombo()->currentText(), entry);
}

void tst_FieldInput::forwardsInputOperations()
{
    QWidget page;
    new QGridLayout(&page);
    AccessorField row(0x2370, QStringLiteral("Accessor"), Key::accessor, &page);
    QSignalSpy changed(&row, &AccessorField::changed);
    row.setValue(QJsonObject{{Key::accessor, QJsonObject{{Key::Field, QStringLiteral(".d")}}}}, true);
    QCOMPARE(row.value(), QJsonValue(QJsonObject{{Key::Field, QStringLiteral(".d")}}));
    QCOMPARE(row.input()->value(), row.value());
    // The row relays its input's change notices.
    row.input()->textEdit()->setText(QStringLiteral(".e"));
    QVERIFY(changed.count() >= 1);

    auto input = new ClaimingInput;
    FieldInput<ClaimingInput> claim(QStringLiteral("Claim"), input, &page);
    claim.setValue(QJsonObject{{QStringLiteral("claim"), QStringLiteral("abc")}}, true);
    QCOMPARE(claim.value(), QJsonValue(QStringLiteral("abc")));
    QCOMPARE(claim.generate().expression, QStringLiteral("claim = abc"));
    QVERIFY(claim.errorMessage().isEmpty());
}

void tst_FieldInput::help()
{
    QCOMPARE(formatWhatsThis(QStringLiteral("Tip"), QStringLiteral("Body %1 text")),
             QStringLiteral("<b>Tip</b><br><br>Body  text"));
    QCOMPARE(formatWhatsThis(QStringLiteral("Tip %2"), QString()), QStringLiteral("Tip "));
    // Two digits at most: a third stays.
    QCOMPARE(formatWhatsThis(QStringLiteral("a"), QStringLiteral("%123 and 100% sure")),
             QStringLiteral("<b>a</b><br><br>3 and 100% sure"));

    QWidget page;
    new QGridLayout(&page);
    AccessorField row(0x2370, QStringLiteral("Accessor"), Key::accessor, &page);
    row.setHelp(QStringLiteral("The tip"), QStringLiteral("More about %1 it"));
    QCOMPARE(row.label()->toolTip(), QStringLiteral("The tip"));
    QCOMPARE(row.label()->whatsThis(), QStringLiteral("<b>The tip</b><br><br>More about  it"));
}

QTEST_MAIN(tst_FieldInput)
#include "tst_fieldinput.moc"

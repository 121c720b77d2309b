// Every field of the built-in model set opened from its class's field list
// and switched, with the keyboard, through every field kind and every kind
// of its accessor: Finish only when every entry the kind needs has a value
// and the generated Python compiles; one edit finished and read back.

#include "storedmodelsupport.h"

using namespace StoredModelSupport;

class tst_StoredFields : public QObject
{
    Q_OBJECT

private:
    BuiltInOptionsPage m_page;

private slots:
    void initTestCase() { ProjectExplorer::KitManager::restoreKits(); }
    void init() { QVERIFY(m_page.open()); }
    void cleanup() { m_page.close(); }
    void everyFieldKindAndAccessorKind();
};

// Each field is switched through every field kind and every accessor kind
// with the keyboard; a kind whose entries the field lacks is refused until
// they are typed; whatever Finish accepts compiles. One edit is finished,
// and the field opens again as it was saved.
void tst_StoredFields::everyFieldKindAndAccessorKind()
{
    Host::ScriptedDialogs dialogs;
    const QStringList kinds{"Basic Field", "Boolean",          "Enumeration",
                            "Array",       "Linked Containers", "Fields From Model",
                            "Customized Container Field"};
    // A valid entry for each accessor kind, as a user would type it.
    const QMap<QString, QString> typed{{"Field", ".x"},
                                       {"Lambda", "value"},
                                       {"Python Call", "return value"},
                                       {"Inferior Call: Method", "size"},
                                       {"Inferior Call: Function", "length"}};
    QList<QPair<QString, QString>> sources;
    QStringList failures;
    int fieldsSeen = 0;
    for (const QJsonValue &entry : m_page.builtIn().value(Key::classes).toArray()) {
        const QJsonObject definition = entry.toObject();
        const QJsonArray fields = definition.value(Key::fields).toArray();
        if (fields.isEmpty())
            continue;
        FieldList list(Key::fields);
        list.addButtons();
        list.setValue(definition, true);
        list.resize(600, 300);
        list.show();
        for (int f = 0; f < fields.size(); ++f) {
            const QJsonObject field = fields.at(f).toObject();
            const QString name = nameOf(definition) + QStringLiteral(" / ") + nameOf(field);
            ++fieldsSeen;
            const bool ran = editEntry(&list, f, dialogs, [&](Wizard *wizard) {
                AccessorField *type = wizard->accessorRow(FieldPage, Key::type);
                const QString loadedKind = type->input()->optionCombo()->currentText();
                if (!walkToFinish(wizard))
                    failures << name + QStringLiteral(": the loaded field is refused") + refusal(wizard);
                walkBackToStart(wizard);
                for (const QString &kind : kinds) {
                    QVERIFY(pickOption(type, kind));
                    const bool finished = walkToFinish(wizard);
                    const QStringList blank = blankMandatoryEntries(wizard);
                    const QString where = name + QStringLiteral(" as ") + kind;
                    if (finished && !blank.isEmpty())
                        failures << where + QStringLiteral(": Finish with no value for ") + blank.join(QLatin1Char(','));
                    if (kind == QLatin1String("Array") && !field.contains(Key::arrayBase) && finished)
                        failures << where + QStringLiteral(": Finish with no array base");
                    if (kind == QLatin1String("Linked Containers") && !field.contains(Key::linkedBase) && finished)
                        failures << where + QStringLiteral(": Finish with no first cell");
                    if (finished)
                        sources.append({where, wizard->generate().definitions});
                    walkBackToStart(wizard);
                }
                QVERIFY(pickOption(type, loadedKind));

                // The accessor's kinds: a fresh entry is refused until typed.
                auto accessor = static_cast<GeneralAccessor *>(wizard->row(FieldPage, Key::accessor));
                AccessorField *access = accessor->accessorRow();
                QComboBox *menu = access->input()->optionCombo();
                for (int i = 0; i < menu->count(); ++i) {
                    const QString option = menu->itemText(i);
                    // Picking the entry shown changes nothing: the user
                    // switches away and back to start it afresh.
                    if (menu->currentText() == option)
                        QVERIFY(pickOption(access, menu->itemText(i == 0 ? 1 : 0)));
                    QVERIFY(pickOption(access, option));
                    QVERIFY(settle(wizard));
                    const QString where = name + QStringLiteral(" accessor ") + option;
                    if (typed.contains(option)) {
                        if (walkToFinish(wizard))
                            failures << where + QStringLiteral(": Finish with an empty entry");
                        walkBackToStart(wizard);
                        if (option == QLatin1String("Python Call"))
                            QVERIFY(typePythonBody(access->input(), typed.value(option)));
                        else
                            typeInto(access, typed.value(option));
                    }
                    if (walkToFinish(wizard))
                        sources.append({where, wizard->generate().definitions});
                    else if (typed.contains(option) || option == QLatin1String("Offset"))
                        failures << where + QStringLiteral(": refused with a valid entry");
                    walkBackToStart(wizard);
                }
                // A Lambda with a syntax error is refused, then mended.
                QVERIFY(pickOption(access, QStringLiteral("Lambda")));
                typeInto(access, QStringLiteral("value +"));
                if (walkToFinish(wizard))
                    failures << name + QStringLiteral(": Finish with a Lambda that does not compile");
                walkBackToStart(wizard);
                typeInto(access, QStringLiteral("value"));
                if (!walkToFinish(wizard))
                    failures << name + QStringLiteral(": the mended Lambda is refused");
                else
                    click(wizard->finishButton());
            });
            QVERIFY2(ran, qPrintable(name));
            // Saved with the edit, and everything else as loaded.
            QJsonObject expected = field;
            QJsonObject access = expected.value(Key::accessor).toObject();
            access.insert(Key::accessor, QJsonObject{{Key::LambdaExpression, "value"}});
            expected.insert(Key::accessor, access);
            const QJsonObject saved = list.model()->entryAt(f);
            if (saved != expected) {
                failures << name + QStringLiteral(": saved otherwise: ") + difference(saved, expected);
                continue;
            }
            editEntry(&list, f, dialogs, [&](Wizard *wizard) {
                QCOMPARE(wizard->value().toObject(), saved);
                AccessorField *access = static_cast<GeneralAccessor *>(wizard->row(FieldPage, Key::accessor))->accessorRow();
                QCOMPARE(access->input()->optionCombo()->currentText(), QStringLiteral("Lambda"));
                QCOMPARE(access->input()->textEdit()->text(), QStringLiteral("value"));
                click(wizard->cancelButton());
            });
        }
    }
    QCOMPARE(fieldsSeen, 84);
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
    const QStringList broken = notCompiling(sources);
    QVERIFY2(broken.isEmpty(), qPrintable(broken.join(QLatin1Char('\n'))));
}

QTEST_MAIN(tst_StoredFields)
#include "tst_storedfields.moc"

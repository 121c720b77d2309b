// The whole built-in model set edited as a user edits it: every class
// opened from the class list on the options page and every field from its
// class's field list, finished with no edit and saved byte for byte alike;
// every class switched through every class mode with the keyboard, finished
// only when it can be, saved, and read back.

#include "storedmodelsupport.h"

using namespace StoredModelSupport;

class tst_StoredModels : public QObject
{
    Q_OBJECT

private:
    BuiltInOptionsPage m_page;
    ClassList *classList() const { return m_page.classList(); }
    int rowOfClass(const QJsonObject &definition) const { return m_page.rowOfClass(definition); }

private slots:
    void initTestCase() { ProjectExplorer::KitManager::restoreKits(); }
    void init() { QVERIFY(m_page.open()); }
    void cleanup() { m_page.close(); }
    void builtInSetRoundTripIsByteIdentical();
    void everyClassMode();
};

// Every class and every field of the built-in set goes through its wizard
// and Finish with no edit; the saved document is the built-in one, byte for
// byte, with the keys no row shows ("tip") and the stored "enable" flags.
void tst_StoredModels::builtInSetRoundTripIsByteIdentical()
{
    Host::ScriptedDialogs dialogs;
    // The list keeps its classes sorted: the document it saves unedited is
    // the reference, and holds every built-in class as it came.
    m_page.plugin()->optionsPage()->apply();
    QFile reference(configurationFilePath(Key::prettyPrintersDocument));
    QVERIFY(reference.open(QIODevice::ReadOnly));
    const QByteArray referenceBytes = reference.readAll();
    reference.close();
    const QJsonArray classes = QJsonDocument::fromJson(referenceBytes).object().value(Key::classes).toArray();
    const QJsonArray original = m_page.builtIn().value(Key::classes).toArray();
    QCOMPARE(classes.size(), original.size());
    for (const QJsonValue &entry : original)
        QVERIFY2(classes.contains(entry), qPrintable(nameOf(entry.toObject())));
    QStringList refused;
    int fieldsEdited = 0;
    for (const QJsonValue &entry : classes) {
        const QJsonObject definition = entry.toObject();
        const int row = rowOfClass(definition);
        QVERIFY2(row >= 0, qPrintable(nameOf(definition)));
        const bool ran = editEntry(classList(), row, dialogs, [&](Wizard *wizard) {
            QVERIFY(settle(wizard));
            QVERIFY2(waitForTable(wizard, definition), qPrintable(nameOf(definition)));
            FieldList *fields = wizard->fieldList();
            for (int f = 0; fields->isVisible() && f < fields->model()->entries().size(); ++f) {
                const QString fieldName = nameOf(fields->model()->entryAt(f));
                editEntry(fields, f, dialogs, [&](Wizard *fieldWizard) {
                    if (!walkToFinish(fieldWizard)) {
                        refused << nameOf(definition) + QStringLiteral(" / ") + fieldName + refusal(fieldWizard);
                        return;
                    }
                    ++fieldsEdited;
                    click(fieldWizard->finishButton());
                });
            }
            QVERIFY(settle(wizard));
            if (!wizard->finishButton()->isVisible() || !wizard->finishButton()->isEnabled()) {
                refused << nameOf(definition) + refusal(wizard);
                return;
            }
            click(wizard->finishButton());
        });
        QVERIFY2(ran, qPrintable(nameOf(definition)));
    }
    QVERIFY2(refused.isEmpty(), qPrintable(refused.join(QLatin1Char('\n'))));
    // The fields of the modes that show a field list (a wrapper's fields are
    // carried with its class).
    int listedFields = 0;
    for (const QJsonValue &entry : classes) {
        const QString feature = entry.toObject().value(Key::feature).toString();
        if (feature == QLatin1String("Class") || feature == QLatin1String("Container")
            || feature == QLatin1String("String"))
            listedFields += entry.toObject().value(Key::fields).toArray().size();
    }
    QCOMPARE(fieldsEdited, listedFields);
    QVERIFY(listedFields > 75);

    m_page.plugin()->optionsPage()->apply();
    QFile saved(configurationFilePath(Key::prettyPrintersDocument));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    const QJsonArray after = QJsonDocument::fromJson(bytes).object().value(Key::classes).toArray();
    QCOMPARE(after.size(), classes.size());
    // Only the values computed for an enumeration stored without them are
    // new, and they are written: each such class was finished with them.
    QJsonArray expectedClasses;
    int computed = 0;
    int olderForms = 0;
    for (int i = 0; i < classes.size(); ++i) {
        const QJsonObject enumeration = classes.at(i).toObject().value(Key::enumeration).toObject();
        if (!enumeration.isEmpty() && !enumeration.contains(Key::enums))
            ++olderForms;
        const QJsonObject expectedClass = savedForm(classes.at(i).toObject(), after.at(i).toObject());
        if (expectedClass != classes.at(i).toObject()) {
            ++computed;
            QVERIFY(!expectedClass.value(Key::enumeration).toObject().value(Key::enums).toArray().isEmpty());
        }
        expectedClasses.append(expectedClass);
    }
    QCOMPARE(computed, olderForms);
    QJsonObject expectedDocument = QJsonDocument::fromJson(referenceBytes).object();
    expectedDocument.insert(Key::classes, expectedClasses);
    if (computed == 0)
        QCOMPARE(QJsonDocument(expectedDocument).toJson(QJsonDocument::Indented), referenceBytes);
    const QByteArray expected = QJsonDocument(expectedDocument).toJson(QJsonDocument::Indented);
    if (bytes != expected) {
        for (int i = 0; i < after.size(); ++i)
            QVERIFY2(after.at(i) == expectedClasses.at(i),
                     qPrintable(nameOf(after.at(i).toObject()) + "\n"
                                + difference(after.at(i).toObject(), expectedClasses.at(i).toObject())));
    }
    QCOMPARE(bytes.size(), expected.size());
    QVERIFY(bytes == expected);
    QCOMPARE(bytes.count("\"tip\""), 28);
}

// Each class is switched through every class mode with the keyboard. Finish
// is offered only when every entry the mode needs has a value and the
// generated Python compiles; a mode whose own object the class lacks is
// refused. Back on its own mode, the class finishes as it was, and reads
// back alike.
void tst_StoredModels::everyClassMode()
{
    Host::ScriptedDialogs dialogs;
    const QStringList modes{"Class Mode", "Container Mode", "String Mode", "Bit Stream Mode", "Wrapper Mode",
                            "Enum Mode"};
    const QMap<QString, QString> ownObject{{"String Mode", Key::string},
                                           {"Bit Stream Mode", Key::bitArray},
                                           {"Enum Mode", Key::enumeration}};
    QList<QPair<QString, QString>> sources;
    QStringList failures;
    for (const QJsonValue &entry : m_page.builtIn().value(Key::classes).toArray()) {
        const QJsonObject definition = entry.toObject();
        const QString name = nameOf(definition);
        const int row = rowOfClass(definition);
        QString loadedMode;
        const bool ran = editEntry(classList(), row, dialogs, [&](Wizard *wizard) {
            QVERIFY2(waitForTable(wizard, definition), qPrintable(name));
            AccessorField *feature = wizard->accessorRow(ClassPage, Key::feature);
            loadedMode = feature->input()->optionCombo()->currentText();
            for (const QString &mode : modes) {
                QVERIFY(pickOption(feature, mode));
                QVERIFY(settle(wizard));
                const bool enabled = wizard->finishButton()->isEnabled();
                const QStringList blank = blankMandatoryEntries(wizard);
                const QString where = name + QStringLiteral(" in ") + mode;
                if (enabled && !blank.isEmpty())
                    failures << where + QStringLiteral(": Finish with no value for ") + blank.join(QLatin1Char(','));
                if (mode == loadedMode && !enabled)
                    failures << where + QStringLiteral(": its own mode is refused") + refusal(wizard);
                if (ownObject.contains(mode) && !definition.contains(ownObject.value(mode)) && enabled)
                    failures << where + QStringLiteral(": Finish without \"") + ownObject.value(mode) + "\"";
                if (mode == QLatin1String("Container Mode") && !definition.contains(Key::fields) && enabled)
                    failures << where + QStringLiteral(": a container without fields");
                if (enabled)
                    sources.append({where, wizard->generate().definitions + wizard->generate().expression});
            }
            QVERIFY(pickOption(feature, loadedMode));
            QVERIFY(settle(wizard));
            QVERIFY2(wizard->finishButton()->isEnabled(), qPrintable(name));
            click(wizard->finishButton());
        });
        QVERIFY2(ran, qPrintable(name));
        // Read back: the saved class is the loaded one, and opens alike.
        const int saved = rowOfClass(definition);
        const QJsonObject savedClass = classList()->model()->entryAt(saved);
        QCOMPARE(savedClass, savedForm(definition, savedClass));
        editEntry(classList(), saved, dialogs, [&](Wizard *wizard) {
            QCOMPARE(wizard->value().toObject(), savedClass);
            QCOMPARE(wizard->accessorRow(ClassPage, Key::feature)->input()->optionCombo()->currentText(), loadedMode);
            click(wizard->cancelButton());
        });
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
    QVERIFY(sources.size() > 157);
    const QStringList broken = notCompiling(sources);
    QVERIFY2(broken.isEmpty(), qPrintable(broken.join(QLatin1Char('\n'))));
}

QTEST_MAIN(tst_StoredModels)
#include "tst_storedmodels.moc"

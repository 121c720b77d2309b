#include "normalisation.h"

#include "configurationwizardgenerator.h"
#include "exclusivechoicegenerator.h"
#include "jsonhelpers.h"
#include "keys.h"
#include "storedclasses.h"

#include "editor/configurationlist.h"

namespace KorvanDebugger {
namespace Configuration {

namespace {

const QString defaultName = QStringLiteral("<Default>");

QString customContext(const QString &path, const QString &key)
{
    return path + QLatin1Char('.') + defaultName + QLatin1Char('.') + key;
}

void appendCustom(QJsonObject &target, const QString &key, const QJsonObject &source, const QString &sourceKey,
                  const QString &path)
{
    jsonArrayAppendAt(target, key, source.value(sourceKey), customContext(path, sourceKey));
}

void setEntries(FieldList &list, const QJsonArray &entries)
{
    list.setValue(QJsonObject{{list.key(), entries}}, true);
}

} // namespace

QString contextPath(const QString &path, const QString &name, const QString &key)
{
    return path + QLatin1Char('.') + name + QLatin1Char('.') + key;
}

void swapJsonKeys(QJsonObject &object, const QString &first, const QString &second)
{
    const QJsonValue a = object.value(first);
    const QJsonValue b = object.value(second);
    if (b.isUndefined())
        object.remove(first);
    else
        object.insert(first, b);
    if (a.isUndefined())
        object.remove(second);
    else
        object.insert(second, a);
}

void normaliseFieldList(FieldList &list, const QString &path, QSet<QString> *modelsInExpansion)
{
    QSet<QString> ownSet;
    QSet<QString> &expanding = modelsInExpansion ? *modelsInExpansion : ownSet;
    ConfigurationWizardGenerator scratch(Key::tmp, ConfigurationWizardGenerator::FieldDefinition);

    QJsonArray array = list.value().toArray();
    int i = 0;
    while (i < array.size()) {
        QJsonObject f = array.at(i).toObject();
        // Only a field that names a model reuses one; the others need not be
        // classified at all.
        QString m;
        if (f.contains(Key::model)) {
            scratch.setValue(f, false);
            m = scratch.modelName();
        }
        if (m.isEmpty()) {
            QString name = f.value(Key::displayedName).toString();
            if (name.isEmpty())
                name = defaultName;
            const QJsonValue accessor = f.value(Key::accessor);
            if (accessor.isObject()) {
                const QJsonValue context = accessor.toObject().value(Key::context);
                if (context.isNull() || context.isUndefined()) {
                    jsonSetAtPath(f, {Key::accessor, Key::context}, contextPath(path, name, Key::accessor));
                    // A "value" or "key" written as a list of steps keeps its steps:
                    // only a single step (or a missing "value") takes the context.
                    if (!f.value(Key::value).isArray())
                        jsonSetAtPath(f, {Key::value, Key::context}, contextPath(path, name, Key::value));
                    if (f.contains(Key::key) && !f.value(Key::key).isArray())
                        jsonSetAtPath(f, {Key::key, Key::context}, contextPath(path, name, Key::key));
                    array.replace(i, f);
                }
            }
            ++i;
            continue;
        }
        if (expanding.contains(m)) {
            array.removeAt(i);
            continue;
        }
        const QJsonObject definition = storedClassDefinition(m);
        if (definition.isEmpty()) {
            array.removeAt(i);
            continue;
        }
        expanding.insert(m);
        FieldList modelFields(Key::fields);
        modelFields.setValue(definition, true);
        normaliseFieldList(modelFields, fieldsPathOfClass(definition), &expanding);
        expanding.remove(m);

        array.removeAt(i);
        const QJsonArray inserted = modelFields.value().toArray();
        for (const QJsonValue &element : inserted) {
            QJsonObject e = element.toObject();
            jsonArrayPrependAt(e, Key::accessor, f.value(Key::accessor), customContext(path, Key::accessor));
            normaliseContainerDefinition(e, f, path);
            array.insert(i, e);
            ++i;
        }
    }
    setEntries(list, array);
}

void normaliseContainerDefinition(QJsonObject &target, const QJsonObject &source, const QString &path)
{
    ExclusiveChoiceGenerator dimension(Key::dimension);
    addDimensionChoices(dimension);
    ExclusiveChoiceGenerator customization(Key::customization);
    addCustomizationChoices(customization);
    dimension.setValue(target, true);
    customization.setValue(source, true);

    const QJsonValue filter = source.value(Key::filter);
    if (filter.isObject() && !filter.toObject().isEmpty()) {
        QJsonObject f = filter.toObject();
        f.insert(Key::context, customContext(path, Key::filter));
        target.insert(Key::filter, f);
    }

    switch (customization.currentId()) {
    case 1:
        appendCustom(target, Key::value, source, Key::valueCustom, path);
        break;
    case 2:
        if (dimension.currentId() == 1) {
            target.insert(Key::key, target.value(Key::value));
            target.insert(Key::dimension, QStringLiteral("2D"));
        }
        appendCustom(target, Key::key, source, Key::keyCustom, path);
        appendCustom(target, Key::value, source, Key::valueCustom, path);
        break;
    case 16:
        swapJsonKeys(target, Key::key, Key::value);
        appendCustom(target, Key::key, source, Key::keyCustom, path);
        appendCustom(target, Key::value, source, Key::valueCustom, path);
        break;
    case 32:
        target.insert(Key::dimension, QStringLiteral("1D"));
        swapJsonKeys(target, Key::key, Key::value);
        target.remove(Key::key);
        appendCustom(target, Key::value, source, Key::keyCustom, path);
        break;
    case 64:
        target.insert(Key::dimension, QStringLiteral("1D"));
        target.remove(Key::key);
        appendCustom(target, Key::value, source, Key::valueCustom, path);
        break;
    case 128:
        target.insert(Key::value, target.value(Key::key));
        appendCustom(target, Key::key, source, Key::keyCustom, path);
        appendCustom(target, Key::value, source, Key::valueCustom, path);
        break;
    case 256:
        target.insert(Key::key, target.value(Key::value));
        appendCustom(target, Key::key, source, Key::keyCustom, path);
        appendCustom(target, Key::value, source, Key::valueCustom, path);
        break;
    default:
        break;
    }
}

QJsonObject fieldListOfClass(const QJsonObject &field, const QJsonObject &classDefinition, const QString &context)
{
    FieldList list(Key::fields);
    list.setValue(classDefinition, true);
    QSet<QString> expanding{classDefinition.value(Key::className).toObject().value(Key::TemplateType).toString()};
    normaliseFieldList(list, fieldsPathOfClass(classDefinition), &expanding);
    QJsonObject first = list.value().toArray().at(0).toObject();
    normaliseContainerDefinition(first, field, context);
    return first;
}

} // namespace Configuration
} // namespace KorvanDebugger

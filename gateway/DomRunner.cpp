#include "DomRunner.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QVariantMap>

namespace {

// Every DOM call goes through the native functions of the script's own world,
// taken from the prototypes: the page cannot replace them there, and named
// properties (a control named "submit", a form named "elements") cannot hide
// them. Returns {} when done, {missingStep, missingForm} when an element or
// form is not there, {error} when anything else went wrong.
constexpr char16_t runnerSource[] = uR"JS((function (gatewayOrigin, encodedSteps) {
    'use strict';
    try {
        // Values are written only into a document of the gateway's own site,
        // checked here, at the moment the steps run, on the document itself.
        // The page's scripts cannot reach this world's location object.
        if (location.origin !== gatewayOrigin)
            return { wrongSite: location.host || location.href };

        const call = Function.prototype.call.bind(Function.prototype.call);
        const getter = (type, property) => Object.getOwnPropertyDescriptor(type.prototype, property).get;
        const getElementById = Document.prototype.getElementById;
        const getElementsByTagName = Document.prototype.getElementsByTagName;
        const formsOf = getter(Document, 'forms');
        const elementsOf = getter(HTMLFormElement, 'elements');
        const lengthOf = getter(HTMLCollection, 'length');
        const itemOf = HTMLCollection.prototype.item;
        const idOf = getter(Element, 'id');
        const getAttribute = Element.prototype.getAttribute;
        const dispatchEvent = EventTarget.prototype.dispatchEvent;
        const click = HTMLElement.prototype.click;
        const submit = HTMLFormElement.prototype.submit;

        const binary = atob(encodedSteps);
        const bytes = new Uint8Array(binary.length);
        for (let i = 0; i < binary.length; ++i)
            bytes[i] = binary.charCodeAt(i);
        const steps = JSON.parse(new TextDecoder().decode(bytes));

        const nth = (collection, index, matches) => {
            const length = call(lengthOf, collection);
            let seen = 0;
            for (let i = 0; i < length; ++i) {
                const element = call(itemOf, collection, i);
                if (matches(element)) {
                    if (seen === index)
                        return element;
                    ++seen;
                }
            }
            return null;
        };
        const hasName = (element, name) => call(getAttribute, element, 'name') === name;
        const formAt = (index) => {
            const forms = call(formsOf, document);
            return index < call(lengthOf, forms) ? call(itemOf, forms, index) : null;
        };

        for (let i = 0; i < steps.length; ++i) {
            const step = steps[i];
            let element = null;
            if (step.lookup === 'id') {
                element = call(getElementById, document, step.name);
            } else if (step.lookup === 'named') {
                element = nth(call(getElementsByTagName, document, '*'), step.index,
                              (candidate) => call(idOf, candidate) === step.name || hasName(candidate, step.name));
            } else if (step.lookup === 'form') {
                element = formAt(step.form);
            } else if (step.lookup === 'formControl') {
                const form = formAt(step.form);
                if (!form)
                    return { missingStep: i, missingForm: true };
                element = nth(call(elementsOf, form), 0, (candidate) => hasName(candidate, step.name));
            } else {
                return { error: 'unknown lookup ' + step.lookup };
            }
            if (!element)
                return { missingStep: i, missingForm: false };

            if (step.action === 'set') {
                // As a user's typing would: the value, then input and change.
                element.value = step.value;
                call(dispatchEvent, element, new Event('input', { bubbles: true }));
                call(dispatchEvent, element, new Event('change', { bubbles: true }));
            } else if (step.action === 'click') {
                call(click, element);
            } else if (step.action === 'submit') {
                call(submit, element);
            } else if (step.action === 'find') {
                continue;
            } else {
                return { error: 'unknown action ' + step.action };
            }
        }
        return {};
    } catch (e) {
        return { error: String(e) };
    }
}))JS";

} // namespace

namespace DomRunner {

QString wrongSiteText(const QString& site)
{
    return QStringLiteral("目前的網頁不是簡訊閘道（%1），未填入任何資料").arg(site);
}

QString script(const QString& gatewayOrigin, const DomSteps& steps)
{
    QJsonArray list;
    for (const DomStep& step : steps)
        list.append(step.toJson());
    const QByteArray data = QJsonDocument(list).toJson(QJsonDocument::Compact).toBase64();
    const QByteArray origin =
        QJsonDocument(QJsonArray{gatewayOrigin}).toJson(QJsonDocument::Compact);
    // The origin goes in as a JSON string literal: the array's brackets are dropped.
    return QString::fromUtf16(runnerSource) + QLatin1Char('(') +
           QString::fromUtf8(origin.sliced(1, origin.size() - 2)) + QLatin1Char(',') +
           QLatin1Char('"') + QString::fromLatin1(data) + QLatin1Char('"') + QLatin1Char(')');
}

QString failureText(const DomSteps& steps, const QVariant& result)
{
    if (!result.isValid() || result.typeId() != QMetaType::QVariantMap)
        return QStringLiteral("網頁操作沒有完成");
    const QVariantMap outcome = result.toMap();
    if (outcome.contains(QStringLiteral("wrongSite")))
        return wrongSiteText(outcome.value(QStringLiteral("wrongSite")).toString());
    if (outcome.contains(QStringLiteral("error")))
        return QStringLiteral("網頁操作失敗: %1")
            .arg(outcome.value(QStringLiteral("error")).toString());
    if (outcome.contains(QStringLiteral("missingStep"))) {
        const int index = outcome.value(QStringLiteral("missingStep")).toInt();
        if (index < 0 || index >= steps.size())
            return QStringLiteral("網頁操作沒有完成");
        return steps.at(index).missingText(outcome.value(QStringLiteral("missingForm")).toBool());
    }
    return {};
}

} // namespace DomRunner

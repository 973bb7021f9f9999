#include "DomRunner.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QVariantMap>

namespace {

// Every DOM call goes through the native functions of the script's own world,
// taken from the prototypes: the page cannot replace them there, and named
// properties (a control named "submit", a form named "elements") cannot hide
// them. The first element written, clicked or submitted decides the form, the
// later ones are looked up inside it, and nothing is written or submitted
// when that form would go to another origin than the gateway's.
// Returns {} when done, {missingStep, missingForm} when an element or form is
// not there, {outsideStep} when an element is not in the form, {foreignTarget}
// when the form goes elsewhere, {error} when anything else went wrong.
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
        const actionOf = getter(HTMLFormElement, 'action');
        const methodOf = getter(HTMLFormElement, 'method');
        const lengthOf = getter(HTMLCollection, 'length');
        const itemOf = HTMLCollection.prototype.item;
        const idOf = getter(Element, 'id');
        const getAttribute = Element.prototype.getAttribute;
        const hasAttribute = Element.prototype.hasAttribute;
        const dispatchEvent = EventTarget.prototype.dispatchEvent;
        const click = HTMLElement.prototype.click;
        const submit = HTMLFormElement.prototype.submit;
        // The controls that belong to a form, each with its own form owner.
        const controls = [HTMLInputElement, HTMLTextAreaElement, HTMLSelectElement,
                          HTMLButtonElement, HTMLFieldSetElement, HTMLOutputElement,
                          HTMLObjectElement];
        const submitters = [HTMLInputElement, HTMLButtonElement];

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
        const hasIdOrName = (element, name) => call(idOf, element) === name || hasName(element, name);
        const formAt = (index) => {
            const forms = call(formsOf, document);
            return index < call(lengthOf, forms) ? call(itemOf, forms, index) : null;
        };
        const typeOf = (element) => {
            for (const type of controls) {
                if (element instanceof type)
                    return type;
            }
            return null;
        };
        const formOf = (element) => {
            if (element instanceof HTMLFormElement)
                return element;
            const type = typeOf(element);
            return type ? call(getter(type, 'form'), element) : null;
        };
        // A button that submits its form when clicked, and may name its own target.
        const isSubmitter = (element) => {
            const type = typeOf(element);
            if (!submitters.includes(type))
                return false;
            const kind = call(getter(type, 'type'), element);
            return kind === 'submit' || kind === 'image';
        };
        // Where the form would go: the submitter's formaction or the form's
        // action, as the browser resolves it against the document's base address.
        const targetOf = (form, submitter) => {
            const own = (attribute) => submitter && call(hasAttribute, submitter, attribute);
            const type = submitter ? typeOf(submitter) : null;
            return {
                action: own('formaction') ? call(getter(type, 'formAction'), submitter)
                                          : call(actionOf, form),
                method: own('formmethod') ? call(getter(type, 'formMethod'), submitter)
                                          : call(methodOf, form),
            };
        };

        // First every element is found, up to the first that is missing or
        // outside the form; then the form's target is checked; then the
        // steps found are done, in order, so the fields before a missing one
        // are filled as they always were.
        let form = null;
        let submitter = null;
        let stopped = null;
        const submits = steps.some((step) => step.action === 'click' || step.action === 'submit');
        const elements = [];
        for (let i = 0; i < steps.length && !stopped; ++i) {
            const step = steps[i];
            if (!['set', 'click', 'submit', 'find'].includes(step.action))
                return { error: 'unknown action ' + step.action };
            let element = null;
            if (step.lookup === 'id') {
                element = form ? nth(call(elementsOf, form), 0, (candidate) => call(idOf, candidate) === step.name)
                               : call(getElementById, document, step.name);
            } else if (step.lookup === 'named') {
                element = form ? nth(call(elementsOf, form), step.index, (candidate) => hasIdOrName(candidate, step.name))
                               : nth(call(getElementsByTagName, document, '*'), step.index,
                                     (candidate) => hasIdOrName(candidate, step.name));
            } else if (step.lookup === 'form') {
                element = formAt(step.form);
            } else if (step.lookup === 'formControl') {
                const owner = formAt(step.form);
                if (!owner) {
                    stopped = { missingStep: i, missingForm: true };
                    break;
                }
                element = nth(call(elementsOf, owner), 0, (candidate) => hasName(candidate, step.name));
            } else {
                return { error: 'unknown lookup ' + step.lookup };
            }
            if (!element) {
                stopped = { missingStep: i, missingForm: false };
                break;
            }
            if (step.action !== 'find') {
                const owner = formOf(element);
                if (!owner || (form && owner !== form)) {
                    stopped = { outsideStep: i };
                    break;
                }
                form = owner;
            }
            if (step.action === 'click' && isSubmitter(element))
                submitter = element;
            elements.push(element);
        }

        // Nothing is written into a form that would go to another site.
        if (submits && form) {
            const target = targetOf(form, submitter);
            const url = new URL(target.action);
            if (target.method !== 'dialog' && url.origin !== gatewayOrigin)
                return { foreignTarget: url.host || url.href };
        }

        for (let i = 0; i < elements.length; ++i) {
            const step = steps[i];
            const element = elements[i];
            if (step.action === 'set') {
                // As a user's typing would: the value, then input and change.
                element.value = step.value;
                call(dispatchEvent, element, new Event('input', { bubbles: true }));
                call(dispatchEvent, element, new Event('change', { bubbles: true }));
            } else if (step.action === 'click') {
                call(click, element);
            } else if (step.action === 'submit') {
                call(submit, element);
            }
        }
        return stopped || {};
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

QString foreignTargetText(const QString& site)
{
    return QStringLiteral("閘道網頁的表單要送到別的網站（%1），已停止，未送出任何資料").arg(site);
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
    if (outcome.contains(QStringLiteral("foreignTarget")))
        return foreignTargetText(outcome.value(QStringLiteral("foreignTarget")).toString());
    if (outcome.contains(QStringLiteral("outsideStep"))) {
        const int index = outcome.value(QStringLiteral("outsideStep")).toInt();
        if (index < 0 || index >= steps.size())
            return QStringLiteral("網頁操作沒有完成");
        return steps.at(index).outsideFormText();
    }
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

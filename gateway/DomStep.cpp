#include "DomStep.h"

namespace {

QString lookupName(DomStep::Lookup lookup)
{
    switch (lookup) {
    case DomStep::Lookup::ById:
        return QStringLiteral("id");
    case DomStep::Lookup::ByNameOrId:
        return QStringLiteral("named");
    case DomStep::Lookup::Form:
        return QStringLiteral("form");
    case DomStep::Lookup::FormControl:
        return QStringLiteral("formControl");
    }
    return {};
}

QString actionName(DomStep::Action action)
{
    switch (action) {
    case DomStep::Action::SetValue:
        return QStringLiteral("set");
    case DomStep::Action::Click:
        return QStringLiteral("click");
    case DomStep::Action::Submit:
        return QStringLiteral("submit");
    case DomStep::Action::Find:
        return QStringLiteral("find");
    }
    return {};
}

QString missingForm(int form)
{
    return QStringLiteral("找不到網頁的第 %1 個表單").arg(form + 1);
}

} // namespace

DomStep DomStep::setById(const QString& id, const QString& value)
{
    return {Lookup::ById, id, 0, 0, Action::SetValue, value};
}

DomStep DomStep::clickById(const QString& id)
{
    return {Lookup::ById, id, 0, 0, Action::Click, {}};
}

DomStep DomStep::setNamed(const QString& name, int index, const QString& value)
{
    return {Lookup::ByNameOrId, name, index, 0, Action::SetValue, value};
}

DomStep DomStep::clickNamed(const QString& name, int index)
{
    return {Lookup::ByNameOrId, name, index, 0, Action::Click, {}};
}

DomStep DomStep::setFormControl(int form, const QString& name, const QString& value)
{
    return {Lookup::FormControl, name, 0, form, Action::SetValue, value};
}

DomStep DomStep::submitForm(int form)
{
    return {Lookup::Form, {}, 0, form, Action::Submit, {}};
}

DomStep DomStep::findById(const QString& id)
{
    return {Lookup::ById, id, 0, 0, Action::Find, {}};
}

QJsonObject DomStep::toJson() const
{
    return {{QStringLiteral("lookup"), lookupName(lookup)},
            {QStringLiteral("name"), name},
            {QStringLiteral("index"), index},
            {QStringLiteral("form"), form},
            {QStringLiteral("action"), actionName(action)},
            {QStringLiteral("value"), value}};
}

QString DomStep::missingText(bool formMissing) const
{
    if (lookup == Lookup::Form || formMissing)
        return missingForm(form);
    return QStringLiteral("找不到網頁欄位 \"%1\"").arg(name);
}

QString DomStep::outsideFormText() const
{
    if (lookup == Lookup::Form)
        return QStringLiteral("網頁的第 %1 個表單不是填寫的表單，未送出任何資料").arg(form + 1);
    return QStringLiteral("網頁欄位 \"%1\" 不在要送出的表單裡，未送出任何資料").arg(name);
}

#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

// One step of a gateway action as plain data: find one element of the page,
// then act on it. A list of steps runs in the page in order and stops at the
// first element it cannot find. The first element that is written, clicked or
// submitted decides the form; every later element is looked up inside it.
struct DomStep
{
    enum class Lookup
    {
        ById,        // the element with this id (in the form, once there is one)
        ByNameOrId,  // the index-th element, in document (or form) order, whose name or id is this
        Form,        // the index-th form of the document
        FormControl, // the first control named this in the form-th form
    };
    enum class Action
    {
        SetValue,
        Click,
        Submit,
        Find // only that the element is there
    };

    Lookup lookup = Lookup::ById;
    QString name;
    int index = 0;
    int form = 0;
    Action action = Action::Click;
    QString value;

    static DomStep setById(const QString& id, const QString& value);
    static DomStep clickById(const QString& id);
    static DomStep setNamed(const QString& name, int index, const QString& value);
    static DomStep clickNamed(const QString& name, int index);
    static DomStep setFormControl(int form, const QString& name, const QString& value);
    static DomStep submitForm(int form);
    static DomStep findById(const QString& id);

    QJsonObject toJson() const;
    // The error box text when this step's element, or its form, is not on the page.
    QString missingText(bool formMissing) const;
    // The error box text when this step's element is not in the form the
    // action's first element belongs to.
    QString outsideFormText() const;

    bool operator==(const DomStep&) const = default;
};

using DomSteps = QList<DomStep>;

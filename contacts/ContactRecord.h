#pragma once

#include "ContactFields.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

// One contact as a file holds it: each of the three fields a text or null
// (absent), in the book's field order, and where in the file it came from
// ("第 3 行") for the lines that report on it.
struct ContactRecord
{
    using Fields = std::array<std::optional<QString>, contactfields::count>;
    Fields fields{};
    QString where{};
};

using ContactRecords = QList<ContactRecord>;

#pragma once

#include "ContactFields.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

// One contact as a file holds it: each of the three fields a text or null
// (absent), in the book's field order, and where in the file it came from
// ("第 3 行") for the lines that report on it; a remark from the reader
// (a birthday it could not read with certainty) goes into the import's report.
struct ContactRecord
{
    using Fields = std::array<std::optional<QString>, contactfields::count>;
    Fields fields{};
    QString where{};
    QString remark{};
};

using ContactRecords = QList<ContactRecord>;

#pragma once

#include <QStringView>

#include <array>

// The contact table as the program binds it: the table, the dataset's name
// used in its failure texts, and the three text fields in grid order with the
// sizes enforced where the user types.
namespace contactfields {

inline constexpr QStringView table = u"contact";
inline constexpr QStringView datasetName = u"ADOTable1";

enum Column
{
    Name = 0,
    Birthday = 1,
    Mobile = 2
};
inline constexpr int count = 3;
inline constexpr std::array<QStringView, count> names = {u"姓名", u"生日", u"手機號碼"};
inline constexpr std::array<int, count> sizes = {20, 7, 15};

// "ADOTable1: " followed by the text, the form of every dataset failure.
QString datasetFailure(const QString& text);
// The field's name quoted for SQL.
QString quotedName(int column);
// Every field's quoted name in grid order, separated by commas.
QString fieldList();

} // namespace contactfields

#pragma once

#include <QDate>
#include <QList>

#include <optional>

// The days whose birthdays may have gone without a greeting: the last maxDays
// days before today, whether the program ran on them or not, but none before
// the program's first start-up on record (oldest first). None when there is no
// earlier start-up on record.
inline constexpr int missedDaysKept = 7;
QList<QDate> missedDays(const std::optional<QDate>& firstStartup, const QDate& today,
                        int maxDays = missedDaysKept);

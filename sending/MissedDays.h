#pragma once

#include <QDate>
#include <QList>

#include <optional>

// The days whose birthdays may have gone without a greeting: those after the
// last start-up and before today, at most the last maxDays of them, oldest
// first. None when the program has no earlier start-up on record.
inline constexpr int missedDaysKept = 7;
QList<QDate> missedDays(const std::optional<QDate>& lastStartup, const QDate& today,
                        int maxDays = missedDaysKept);

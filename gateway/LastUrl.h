#pragma once

#include <QString>

// The address of the most recent navigation the browser announced; empty at
// start. Process-wide: the log-in action checks it.
extern QString LastUrl;

#pragma once

#include <QString>
#include <QStringView>

// The line-break contract of the message box: as a whole its text has CR LF
// between lines. Every CR LF pair, every CR not followed by LF and every LF
// not preceded by CR becomes one CR LF (so LF CR makes two line breaks).
QString normaliseLineBreaks(QStringView text);

#include "Fonts.h"

#include <QStringList>

namespace {
const QString mingFace = QStringLiteral("細明體");
}

void registerFontSubstitutions()
{
    const QStringList substitutes = {
        QStringLiteral("MingLiU"),          QStringLiteral("AR PL Mingti2L Big5"),
        QStringLiteral("AR PL UMing TW"),   QStringLiteral("Noto Serif CJK TC"),
        QStringLiteral("Noto Sans CJK TC"), QStringLiteral("WenQuanYi Zen Hei"),
    };
    QFont::insertSubstitutions(mingFace, substitutes);
    QFont::insertSubstitutions(QStringLiteral("MingLiU"), substitutes.mid(1));
}

QFont mingFont(int pixelSize)
{
    QFont font(mingFace);
    font.setPixelSize(pixelSize);
    font.setStyleHint(QFont::Serif);
    return font;
}

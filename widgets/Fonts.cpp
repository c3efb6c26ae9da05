#include "Fonts.h"

#include <QStringList>

namespace widgets {

QFont screenFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("AR PL UMing TW")});
    font.setPointSize(8);
    return font;
}

} // namespace widgets

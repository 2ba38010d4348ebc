#include "controls/TooltipText.h"

#include <QFontMetrics>
#include <QStringList>
#include <QToolTip>

namespace TooltipText {

QString Wrapped(const QString& strText, int nMaxWidth) {
    const QFontMetrics fm(QToolTip::font());
    QStringList arrOut;
    for (const QString& strLine : strText.split(QLatin1Char('\n'))) {
        QString strCurrent;
        for (const QString& strWord : strLine.split(QLatin1Char(' '))) {
            const QString strTry = strCurrent.isEmpty() ? strWord : strCurrent + QLatin1Char(' ') + strWord;
            if (!strCurrent.isEmpty() && fm.horizontalAdvance(strTry) > nMaxWidth) {
                arrOut << strCurrent;
                strCurrent = strWord;
            } else {
                strCurrent = strTry;
            }
        }
        arrOut << strCurrent;
    }
    return arrOut.join(QLatin1Char('\n'));
}

}  // namespace TooltipText

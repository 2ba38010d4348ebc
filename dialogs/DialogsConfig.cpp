#include "dialogs/DialogsConfig.h"

#include <QByteArray>
#include <QtGlobal>

#ifndef HARVEX_UPDATE_URL
#define HARVEX_UPDATE_URL "https://harvex.example.org"
#endif
#ifndef HARVEX_HOMEPAGE_URL
#define HARVEX_HOMEPAGE_URL "https://harvex.example.org/"
#endif
#ifndef HARVEX_CONTACT_MAIL
#define HARVEX_CONTACT_MAIL "harvex@example.org"
#endif
#ifndef HARVEX_INSTALL_URL
#define HARVEX_INSTALL_URL "https://harvex.example.org/install"
#endif

namespace DialogsConfig {

QString UpdateBaseUrl() {
    QString strUrl = qEnvironmentVariableIsSet("HARVEX_UPDATE_URL")
                         ? qEnvironmentVariable("HARVEX_UPDATE_URL")
                         : QStringLiteral(HARVEX_UPDATE_URL);
    while (strUrl.endsWith(QLatin1Char('/')))
        strUrl.chop(1);
    return strUrl;
}

QString HomepageUrl() {
    return QStringLiteral(HARVEX_HOMEPAGE_URL);
}
QString ContactMail() {
    return QStringLiteral(HARVEX_CONTACT_MAIL);
}
QString InstallInstructions() {
    return QStringLiteral(HARVEX_INSTALL_URL);
}

}  // namespace DialogsConfig

#include "platform/MenuRefresh.h"

#include <unistd.h>

#include <QProcess>
#include <QString>

bool StartMenuRefresh(const std::string& strProgramFolder) {
    const std::string program = strProgramFolder + "/harvex-fmactions";
    if (strProgramFolder.empty() || ::access(program.c_str(), X_OK) != 0)
        return false;
    return QProcess::startDetached(QString::fromLocal8Bit(program.c_str()), {});
}

#pragma once
// The settings record: one instance lives in the main window (or the batch
// front-end). The member initialisers are the defaults; loading from the store
// only overwrites a field whose stored value exists with the right type.

#include <QDateTime>
#include <string>
#include <vector>

class CSettings {
public:
    std::vector<std::string> arrHistory;  // recent output folders, newest first, at most 10
    QDateTime dtLastUpdateCheck;          // invalid until the first update check
    int bTest = 0;
    int bNfo = 1;
    int bSubs = 1;
    int bSubsFolder = 0;
    int bMainFolder = 1;
    int bCleanUp = 0;
    int bSample = 0;
    int bCovers = 0;
    int bShowTooltips = 1;
    int bRestoreOnOk = 0;
    int bCloseOnOk = 0;
    int bRestoreOnError = 0;
    int bCloseOnError = 0;
    int bOutputToInput = 0;
    int bPasswordPrompt = 1;
    int bCheckUpdates = 1;
    int bWinIntegration = 1;
    int bIconsInContext = 1;
    int bSubmenuInContext = 0;

    static constexpr int MAX_HISTORY = 10;
};

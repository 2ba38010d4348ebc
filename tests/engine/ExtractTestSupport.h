#pragma once
// Helpers for the extraction tests: a recorder of posted driver messages and a fake
// console RAR program written as a shell script (a real child process).

#include <QObject>
#include <filesystem>
#include <utility>
#include <vector>

#include "engine/CRegisteredMessages.h"
#include "tests/engine/DriverTestFiles.h"
#include "tests/engine/TestApp.h"

class CExtractRecorder : public QObject {
public:
    std::vector<std::pair<int, qintptr>> arrSeen;
    bool event(QEvent* pEvent) override {
        if (pEvent->type() >= QEvent::User) {
            auto* pMessage = static_cast<CRegisteredEvent*>(pEvent);
            arrSeen.emplace_back(pMessage->Message(), pMessage->wParam);
            return true;
        }
        return QObject::event(pEvent);
    }
};

// Writes an executable script that stands in for the console RAR program.
inline std::string WriteToolScript(const std::string& strPath, const std::string& strBody) {
    WriteFile(strPath, "#!/bin/sh\n" + strBody + "\n");
    std::filesystem::permissions(strPath, std::filesystem::perms::owner_all);
    return strPath;
}

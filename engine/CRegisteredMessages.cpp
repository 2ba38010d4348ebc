#include "engine/CRegisteredMessages.h"

#include <QCoreApplication>
#include <map>
#include <mutex>

namespace {

std::mutex g_registryMutex;
std::map<std::string, int>& Registry() {
    static std::map<std::string, int> registry;
    return registry;
}

}  // namespace

int RegisterMessage(const std::string& strName) {
    std::lock_guard<std::mutex> lock(g_registryMutex);
    auto& registry = Registry();
    auto it = registry.find(strName);
    if (it != registry.end()) {
        return it->second;
    }
    int nType = QEvent::registerEventType();
    if (nType > 0) {
        registry.emplace(strName, nType);
    }
    return nType > 0 ? nType : 0;
}

bool PostRegisteredMessage(QObject* pTarget, int nMessage, qintptr wParam, qintptr lParam) {
    if (pTarget == nullptr || nMessage == 0) {
        return false;
    }
    QCoreApplication::postEvent(pTarget, new CRegisteredEvent(nMessage, wParam, lParam));
    return true;
}

CRegisteredMessages::CRegisteredMessages()
    : UWM_AUTO_START(RegisterMessage(AUTO_START_NAME)),
      UWM_PROCESS_ROW(RegisterMessage(PROCESS_ROW_NAME)),
      UWM_SCAN_DONE(RegisterMessage(SCAN_DONE_NAME)),
      UWM_PROCESS_FILE(RegisterMessage(PROCESS_FILE_NAME)),
      UWM_FILE_DONE(RegisterMessage(FILE_DONE_NAME)),
      UWM_PASSWORD_NEEDED(RegisterMessage(PASSWORD_NEEDED_NAME)),
      UWM_ITEM_DONE(RegisterMessage(ITEM_DONE_NAME)),
      UWM_SET_RESULT(RegisterMessage(SET_RESULT_NAME)),
      UWM_LIST_DONE(RegisterMessage(LIST_DONE_NAME)) {}

const CRegisteredMessages& CRegisteredMessages::Get() {
    static const CRegisteredMessages messages;
    return messages;
}

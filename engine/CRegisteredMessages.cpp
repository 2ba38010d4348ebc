#include "engine/CRegisteredMessages.h"

#include <QCoreApplication>
#include <map>
#include <mutex>

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* pAddress);
extern "C" void __tsan_release(void* pAddress);
#endif

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
    auto* pEvent = new CRegisteredEvent(nMessage, wParam, lParam);
#if defined(__SANITIZE_THREAD__)
    __tsan_release(pEvent);
#endif
    QCoreApplication::postEvent(pTarget, pEvent);
    return true;
}

void AcceptRegisteredMessage(const QEvent* pEvent) {
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(const_cast<QEvent*>(pEvent));
#else
    (void)pEvent;
#endif
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

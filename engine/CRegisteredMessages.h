#pragma once
// Registered messages: a Qt event type obtained once per name. The same name
// always yields the same event type within the process, so every part that
// registers "{8FEDC31F-...}" talks about the same message. Messages carry a
// wParam and an lParam like their window-message ancestors and are posted
// with QCoreApplication::postEvent, which is safe from any thread: worker
// threads report to the GUI thread only this way.

#include <QEvent>
#include <QObject>
#include <string>

// Returns the event type registered for strName, registering it on first use.
// Thread-safe. Returns 0 only when Qt has run out of user event types.
int RegisterMessage(const std::string& strName);

// The event that carries a registered message.
class CRegisteredEvent : public QEvent {
public:
    CRegisteredEvent(int nMessage, qintptr wParam, qintptr lParam)
        : QEvent(static_cast<QEvent::Type>(nMessage)), wParam(wParam), lParam(lParam) {}

    int Message() const { return static_cast<int>(type()); }

    qintptr wParam;
    qintptr lParam;
};

// Posts nMessage to pTarget (any thread; the event is delivered on the
// thread pTarget lives on). Answers false when pTarget is null or nMessage 0.
bool PostRegisteredMessage(QObject* pTarget, int nMessage, qintptr wParam = 0, qintptr lParam = 0);

// The receiver calls this with every event it is given, before it reads anything of it
// (its type, its class). Everything the posting thread wrote before posting is visible to
// the receiver anyway (Qt's queue is locked); in a ThreadSanitizer build this tells the
// sanitizer so, since Qt's own locks are not instrumented. Otherwise it does nothing.
void AcceptRegisteredMessage(const QEvent* pEvent);

// The nine messages of the processing driver, registered by their GUID names
// on first use of Get().
class CRegisteredMessages {
public:
    static constexpr const char* AUTO_START_NAME = "{D8B5F14F-C20B-4a70-8E45-2497B8DF482B}";
    static constexpr const char* PROCESS_ROW_NAME = "{12F71AF4-6FE7-4ffd-9F2E-306AC7A9D7D4}";
    static constexpr const char* SCAN_DONE_NAME = "{8FEDC31F-909F-4589-8A1A-98DCF6E78BD3}";
    static constexpr const char* PROCESS_FILE_NAME = "{474183CB-CE48-4b79-913D-E90672A10572}";
    static constexpr const char* FILE_DONE_NAME = "{94FD5814-4618-4367-8173-CC09129A9900}";
    static constexpr const char* PASSWORD_NEEDED_NAME = "{BB9E7735-B096-4bb3-815D-7CBE8C8D04CB}";
    static constexpr const char* ITEM_DONE_NAME = "{99C4ED1E-F290-4f24-9BBB-204B2D18629B}";
    static constexpr const char* SET_RESULT_NAME = "{F2E9722F-75C7-4544-B302-C1980D300E7F}";
    static constexpr const char* LIST_DONE_NAME = "{C75D993D-99AD-4d90-89E4-95D25C36FA04}";

    int UWM_AUTO_START = 0;
    int UWM_PROCESS_ROW = 0;
    int UWM_SCAN_DONE = 0;
    int UWM_PROCESS_FILE = 0;
    int UWM_FILE_DONE = 0;
    int UWM_PASSWORD_NEEDED = 0;
    int UWM_ITEM_DONE = 0;
    int UWM_SET_RESULT = 0;
    int UWM_LIST_DONE = 0;

    static const CRegisteredMessages& Get();

private:
    CRegisteredMessages();
};

#pragma once
// The first instance's side of the hand-over, served from the event loop: a
// QSocketNotifier watches the listening socket; when a later instance connects,
// one short-lived thread reads its messages (a stalled peer holds only that
// thread) and runs each handler on the GUI thread before the answer goes back,
// so the hand-over stays synchronous for the sender while the GUI thread never
// waits on a peer.

#include <QObject>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class QSocketNotifier;
class CSingleInstance;

class CInstanceChannel : public QObject {
    Q_OBJECT
public:
    explicit CInstanceChannel(CSingleInstance& instance, QObject* pParent = nullptr);
    ~CInstanceChannel() override;

    std::function<void(const std::vector<std::string>&)> fnHandOver;  // GUI thread
    std::function<void()> fnShow;                                     // GUI thread

    // Listens and starts watching; false when the channel could not be made.
    bool Start();

private:
    void OnActivated();
    void OnServed();
    // Worker side: runs fn on the GUI thread and waits for it (or for the end).
    void RunOnGuiThread(std::function<void()> fn);

    CSingleInstance& m_instance;
    QSocketNotifier* m_pNotifier = nullptr;
    std::thread m_worker;
    std::atomic<bool> m_bStop{false};
};

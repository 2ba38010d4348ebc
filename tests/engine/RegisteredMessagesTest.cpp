#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "engine/CDriver.h"
#include "engine/CJobList.h"
#include "engine/CRegisteredMessages.h"
#include "tests/engine/TestApp.h"

namespace {

class CRecorder : public QObject {
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

}  // namespace

TEST(RegisteredMessagesTest, SameNameGivesSameTypeAndNinePrivateTypes) {
    const auto& m = CRegisteredMessages::Get();
    std::set<int> types = {m.UWM_AUTO_START,   m.UWM_PROCESS_ROW, m.UWM_SCAN_DONE,
                           m.UWM_PROCESS_FILE, m.UWM_FILE_DONE,   m.UWM_PASSWORD_NEEDED,
                           m.UWM_ITEM_DONE,    m.UWM_SET_RESULT,  m.UWM_LIST_DONE};
    EXPECT_EQ(types.size(), 9u);
    for (int t : types) {
        EXPECT_GE(t, QEvent::User);
    }
    EXPECT_EQ(RegisterMessage("{8FEDC31F-909F-4589-8A1A-98DCF6E78BD3}"), m.UWM_SCAN_DONE);
    EXPECT_EQ(RegisterMessage(CRegisteredMessages::LIST_DONE_NAME), m.UWM_LIST_DONE);
    int nOther = RegisterMessage("{00000000-test-only}");
    EXPECT_EQ(types.count(nOther), 0u);
    EXPECT_EQ(RegisterMessage("{00000000-test-only}"), nOther);
}

TEST(RegisteredMessagesTest, MessagePostedFromWorkerArrivesOnOwnerThreadInOrder) {
    EnsureTestApp();
    const auto& m = CRegisteredMessages::Get();
    CRecorder recorder;
    std::thread worker([&] {
        PostRegisteredMessage(&recorder, m.UWM_SCAN_DONE, 0);
        PostRegisteredMessage(&recorder, m.UWM_ITEM_DONE, 3);
    });
    worker.join();
    EXPECT_TRUE(recorder.arrSeen.empty()) << "posting never delivers synchronously";
    QCoreApplication::processEvents();
    ASSERT_EQ(recorder.arrSeen.size(), 2u);
    EXPECT_EQ(recorder.arrSeen[0], std::make_pair(m.UWM_SCAN_DONE, qintptr(0)));
    EXPECT_EQ(recorder.arrSeen[1], std::make_pair(m.UWM_ITEM_DONE, qintptr(3)));
    EXPECT_FALSE(PostRegisteredMessage(nullptr, m.UWM_SCAN_DONE));
    EXPECT_FALSE(PostRegisteredMessage(&recorder, 0));
}

// The driver takes a message from a worker that is still running: nothing but the event
// queue orders the worker's writes before the delivery, so the driver must tell the
// sanitizer about the hand-over before it reads anything of the event (in the
// ThreadSanitizer pass, reading the event's type first was reported as a race).
TEST(RegisteredMessagesTest, DriverTakesAMessageFromAWorkerThatIsStillRunning) {
    EnsureTestApp();
    CJobList list;
    CDriver driver(list);
    QStringList arrAppended;
    QObject::connect(&driver, &CDriver::LogAppended, [&](const QString& str) { arrAppended << str; });
    std::atomic<bool> bPosted{false};
    std::atomic<bool> bDelivered{false};
    std::thread worker([&] {
        driver.log.AppendLog("from the worker\n");
        // Relaxed on purpose: these flags order nothing for the sanitizer.
        bPosted.store(true, std::memory_order_relaxed);
        while (!bDelivered.load(std::memory_order_relaxed))
            std::this_thread::yield();
    });
    while (!bPosted.load(std::memory_order_relaxed))
        std::this_thread::yield();
    QCoreApplication::sendPostedEvents(&driver);
    bDelivered.store(true, std::memory_order_relaxed);
    worker.join();
    EXPECT_EQ(arrAppended, QStringList{QStringLiteral("from the worker\n")});
}

#include "app/CInstanceChannel.h"

#include <QSocketNotifier>
#include <chrono>
#include <future>
#include <memory>

#include "platform/CSingleInstance.h"

CInstanceChannel::CInstanceChannel(CSingleInstance& instance, QObject* pParent)
    : QObject(pParent), m_instance(instance) {}

CInstanceChannel::~CInstanceChannel() {
    m_bStop = true;
    // The worker ends within the channel's receive timeout at the latest.
    if (m_worker.joinable())
        m_worker.join();
}

bool CInstanceChannel::Start() {
    if (!m_instance.Listen() || m_instance.ListenFd() < 0)
        return false;
    m_pNotifier = new QSocketNotifier(m_instance.ListenFd(), QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CInstanceChannel::OnActivated);
    return true;
}

void CInstanceChannel::OnActivated() {
    if (m_worker.joinable())
        return;
    m_pNotifier->setEnabled(false);
    m_worker = std::thread([this] {
        CSingleInstance::CHandler handler;
        handler.onHandOver = [this](const std::vector<std::string>& arrPieces) {
            RunOnGuiThread([this, arrPieces] {
                if (fnHandOver)
                    fnHandOver(arrPieces);
            });
        };
        handler.onShow = [this] {
            RunOnGuiThread([this] {
                if (fnShow)
                    fnShow();
            });
        };
        m_instance.ServeOne(handler, 0);
        QMetaObject::invokeMethod(this, &CInstanceChannel::OnServed, Qt::QueuedConnection);
    });
}

void CInstanceChannel::OnServed() {
    if (m_worker.joinable())
        m_worker.join();  // it has posted its last message: it has ended or is about to
    m_pNotifier->setEnabled(true);
}

void CInstanceChannel::RunOnGuiThread(std::function<void()> fn) {
    auto pDone = std::make_shared<std::promise<void>>();
    std::future<void> done = pDone->get_future();
    QMetaObject::invokeMethod(
        this,
        [fn = std::move(fn), pDone] {
            fn();
            pDone->set_value();
        },
        Qt::QueuedConnection);
    while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
        if (m_bStop)
            return;
}

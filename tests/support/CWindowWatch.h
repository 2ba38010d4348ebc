#pragma once
// Acts on a window once it shows: polled every 10 ms from the event loop, so it also works
// inside the nested loop of a modal window. The watch ends with this object, at the latest:
// a watch that outlived its test would act on a later test's window through captures that
// point into a stack frame long gone (seen as a corrupted stack on a real X server).

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

class [[nodiscard]] CWindowWatch {
public:
    // Runs fnAct once on the first window fnFind answers; gives up after nTimeoutMs.
    CWindowWatch(std::function<QWidget*()> fnFind, std::function<void(QWidget*)> fnAct, int nTimeoutMs)
        : m_pTimer(std::make_unique<QTimer>()), m_pDone(std::make_shared<bool>(false)) {
        QTimer* pTimer = m_pTimer.get();
        auto nLeft = std::make_shared<int>(nTimeoutMs / 10);
        QObject::connect(pTimer, &QTimer::timeout, [pTimer, pDone = m_pDone, nLeft, fnFind, fnAct] {
            QWidget* pWindow = fnFind();
            if (pWindow != nullptr) {
                pTimer->stop();
                *pDone = true;
                fnAct(pWindow);
            } else if (--*nLeft <= 0) {
                pTimer->stop();
            }
        });
        pTimer->start(10);
    }

    // Whether the action ran.
    bool operator*() const { return *m_pDone; }

private:
    std::unique_ptr<QTimer> m_pTimer;
    std::shared_ptr<bool> m_pDone;
};

// The visible top-level window of type T, or null.
template <class T>
T* ShownWindow() {
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
        T* pWindow = qobject_cast<T*>(pWidget);
        if (pWindow != nullptr && pWindow->isVisible())
            return pWindow;
    }
    return nullptr;
}

// Runs fnAct on the window of type T once it shows.
template <class T>
CWindowWatch WhenShown(std::function<void(T*)> fnAct, int nTimeoutMs = 10000) {
    return CWindowWatch([] { return static_cast<QWidget*>(ShownWindow<T>()); },
                        [fnAct](QWidget* pWindow) { fnAct(static_cast<T*>(pWindow)); }, nTimeoutMs);
}

// Runs fnAct on the first modal window of type T that opens; the caller then opens the
// window with exec().
template <class T>
CWindowWatch WhenModalOpens(std::function<void(T*)> fnAct, int nTimeoutMs = 5000) {
    return CWindowWatch(
        [] {
            T* pWindow = qobject_cast<T*>(QApplication::activeModalWidget());
            return static_cast<QWidget*>(pWindow != nullptr && pWindow->isVisible() ? pWindow : nullptr);
        },
        [fnAct](QWidget* pWindow) { fnAct(static_cast<T*>(pWindow)); }, nTimeoutMs);
}

#pragma once
// The update check: on demand ("&Update") with the wait cursor and its three message
// boxes, and the weekly silent check, whose request runs on a thread of its own at the
// lowest priority. Everything the user sees, and every change of "LastUpdateCheck",
// happens on the GUI thread: the silent check's thread only fetches and hands the line
// back by a queued signal. An offer found while a run goes on waits for its end.

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>

#include "engine/CMessageBox.h"
#include "settings/CSettings.h"

class CVersionFetch;
class QThread;

class CUpdateCheck : public QObject {
    Q_OBJECT
public:
    CUpdateCheck(CSettings& settings, CMessageBox& messageBox, QObject* pParent = nullptr);
    ~CUpdateCheck() override;

    static constexpr int DEFAULT_TIMEOUT_MS = 8000;

    void SetBaseUrl(const QString& strBaseUrl);  // default: DialogsConfig::UpdateBaseUrl()
    QString BaseUrl() const { return m_strBaseUrl; }
    void SetTimeoutMs(int nTimeoutMs) { m_nTimeoutMs = nTimeoutMs; }
    QUrl VersionFileUrl() const;
    QUrl UpdatePageUrl() const;

    // What the owner provides; each has a working default.
    std::function<bool()> fnIsProcessing;        // a run goes on (default: never)
    std::function<bool()> fnIsOnline;            // the desktop's network state (unknown counts as online)
    std::function<void(const QUrl&)> fnOpenUrl;  // the desktop's browser
    std::function<QDateTime()> fnNow;            // the clock

    // "&Update": nothing while a run goes on or a check is running; the answer comes
    // later (CheckNowFinished), the GUI thread never waits for the server.
    void CheckForUpdateNow();
    bool IsCheckingNow() const { return m_pNowFetch != nullptr; }
    // At start-up: when "CheckUpdates" is on and more than six whole days have passed,
    // "LastUpdateCheck" becomes now and the version file is fetched on a low-priority
    // thread. Answers whether a check was started.
    bool StartSilentCheck();
    bool IsSilentCheckRunning() const { return m_pThread != nullptr; }
    // The question to the user, or, during a run, kept until RunFinished.
    void OfferUpdate();
    bool IsOfferPending() const { return m_bOfferPending; }
    // The main window calls this when a run has ended.
    void RunFinished();

signals:
    void CheckNowFinished();
    void SilentCheckFinished(bool bNewer);

private:
    void OnNowResult(bool bOk, const QByteArray& strLine);
    void OnSilentResult(bool bOk, const QByteArray& strLine);
    void StopSilentThread();
    QDateTime Now() const { return fnNow ? fnNow() : QDateTime::currentDateTime(); }
    bool Processing() const { return fnIsProcessing && fnIsProcessing(); }

    CSettings& m_settings;
    CMessageBox& m_messageBox;
    QString m_strBaseUrl;
    int m_nTimeoutMs = DEFAULT_TIMEOUT_MS;
    CVersionFetch* m_pNowFetch = nullptr;
    QThread* m_pThread = nullptr;
    bool m_bOfferPending = false;
};

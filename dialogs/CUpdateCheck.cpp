#include "dialogs/CUpdateCheck.h"

#include <QApplication>
#include <QDesktopServices>
#include <QNetworkInformation>
#include <QThread>

#include "dialogs/CVersionFetch.h"
#include "dialogs/DialogsConfig.h"
#include "engine/UpdateCheck.h"
#include "platform/Version.h"

namespace {

// Only a desktop that positively reports no network counts as offline.
bool DesktopIsOnline() {
    if (QNetworkInformation::instance() == nullptr &&
        !QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return true;
    QNetworkInformation* pInfo = QNetworkInformation::instance();
    return pInfo == nullptr || pInfo->reachability() != QNetworkInformation::Reachability::Disconnected;
}

}  // namespace

CUpdateCheck::CUpdateCheck(CSettings& settings, CMessageBox& messageBox, QObject* pParent)
    : QObject(pParent),
      m_settings(settings),
      m_messageBox(messageBox),
      m_strBaseUrl(DialogsConfig::UpdateBaseUrl()) {
    fnIsOnline = DesktopIsOnline;
    fnOpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

CUpdateCheck::~CUpdateCheck() {
    StopSilentThread();
    if (m_pNowFetch != nullptr) {
        m_pNowFetch->Abort();
        QApplication::restoreOverrideCursor();
    }
}

void CUpdateCheck::SetBaseUrl(const QString& strBaseUrl) {
    m_strBaseUrl = strBaseUrl;
    while (m_strBaseUrl.endsWith(QLatin1Char('/')))
        m_strBaseUrl.chop(1);
}

QUrl CUpdateCheck::VersionFileUrl() const {
    return QUrl(m_strBaseUrl + QStringLiteral("/update/version.txt"));
}
QUrl CUpdateCheck::UpdatePageUrl() const {
    return QUrl(m_strBaseUrl + QStringLiteral("/update_harvex.htm"));
}

void CUpdateCheck::CheckForUpdateNow() {
    if (Processing() || m_pNowFetch != nullptr)
        return;
    m_settings.dtLastUpdateCheck = Now();
    if (fnIsOnline && !fnIsOnline()) {
        m_messageBox.ShowMessage("Unable to connect to the internet.", CMessageBox::EIcon::Error);
        emit CheckNowFinished();
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_pNowFetch = new CVersionFetch(this);
    connect(m_pNowFetch, &CVersionFetch::Finished, this, &CUpdateCheck::OnNowResult, Qt::QueuedConnection);
    m_pNowFetch->Start(VersionFileUrl(), m_nTimeoutMs);
}

void CUpdateCheck::OnNowResult(bool bOk, const QByteArray& strLine) {
    m_pNowFetch->deleteLater();
    m_pNowFetch = nullptr;
    QApplication::restoreOverrideCursor();
    const UpdateCheck::EVersionAnswer answer =
        bOk ? UpdateCheck::CompareVersions(strLine.toStdString(), HARVEX_VERSION_TEXT)
            : UpdateCheck::EVersionAnswer::Invalid;
    if (answer == UpdateCheck::EVersionAnswer::Newer)
        OfferUpdate();
    else if (answer == UpdateCheck::EVersionAnswer::NotNewer)
        m_messageBox.ShowMessage("No new version available.", CMessageBox::EIcon::Information);
    else  // no answer, an error answer, or a first line that is not a version
        m_messageBox.ShowMessage("Unable to connect to update server.\r\nPlease try again later.",
                                 CMessageBox::EIcon::Error);
    emit CheckNowFinished();
}

bool CUpdateCheck::StartSilentCheck() {
    if (m_pThread != nullptr ||
        !UpdateCheck::IsSilentCheckDue(m_settings.bCheckUpdates != 0, m_settings.dtLastUpdateCheck, Now()))
        return false;
    m_settings.dtLastUpdateCheck = Now();
    if (fnIsOnline && !fnIsOnline())
        return false;
    m_pThread = new QThread(this);
    auto* pFetch = new CVersionFetch;
    pFetch->moveToThread(m_pThread);
    connect(m_pThread, &QThread::finished, pFetch, &QObject::deleteLater);
    connect(pFetch, &CVersionFetch::Finished, this, &CUpdateCheck::OnSilentResult, Qt::QueuedConnection);
    const QUrl url = VersionFileUrl();
    const int nTimeoutMs = m_nTimeoutMs;
    m_pThread->start(QThread::LowestPriority);
    QMetaObject::invokeMethod(
        pFetch, [pFetch, url, nTimeoutMs] { pFetch->Start(url, nTimeoutMs); }, Qt::QueuedConnection);
    return true;
}

void CUpdateCheck::OnSilentResult(bool bOk, const QByteArray& strLine) {
    // The thread has nothing left to do: let it end on its own, without waiting for it.
    if (m_pThread != nullptr) {
        QThread* pThread = m_pThread;
        m_pThread = nullptr;
        connect(pThread, &QThread::finished, pThread, &QObject::deleteLater);
        pThread->quit();
    }
    // Every failure and every line that is not a newer version ends silently.
    const bool bNewer = bOk && UpdateCheck::IsNewerVersion(strLine.toStdString(), HARVEX_VERSION_TEXT);
    if (bNewer)
        OfferUpdate();
    emit SilentCheckFinished(bNewer);
}

void CUpdateCheck::StopSilentThread() {
    // At exit: the threads only run an event loop around an asynchronous request, so
    // quitting ends them at once (the request is dropped with its object).
    m_pThread = nullptr;
    for (QThread* pThread : findChildren<QThread*>(Qt::FindDirectChildrenOnly)) {
        pThread->quit();
        pThread->wait();
        delete pThread;
    }
}

void CUpdateCheck::OfferUpdate() {
    if (Processing()) {
        m_bOfferPending = true;
        return;
    }
    m_bOfferPending = false;
    const CMessageBox::EAnswer answer = m_messageBox.ShowMessage(
        "There is a new version available.\r\n Would you like to download the installer?",
        CMessageBox::EIcon::Question, CMessageBox::EButtons::YesNo);
    if (answer == CMessageBox::EAnswer::Yes && fnOpenUrl)
        fnOpenUrl(UpdatePageUrl());
    m_settings.dtLastUpdateCheck = Now();
}

void CUpdateCheck::RunFinished() {
    if (m_bOfferPending)
        OfferUpdate();
}

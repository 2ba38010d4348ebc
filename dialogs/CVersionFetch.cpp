#include "dialogs/CVersionFetch.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include "engine/UpdateCheck.h"

CVersionFetch::CVersionFetch(QObject* pParent) : QObject(pParent) {}

CVersionFetch::~CVersionFetch() {
    Abort();
}

void CVersionFetch::Start(const QUrl& url, int nTimeoutMs) {
    Abort();
    if (m_pManager == nullptr) {
        m_pManager = new QNetworkAccessManager(this);
        m_pTimer = new QTimer(this);
        m_pTimer->setSingleShot(true);
        connect(m_pTimer, &QTimer::timeout, this, [this] { Report(false); });
    }
    m_bDone = false;
    m_strBody.clear();
    QNetworkRequest request(url);
    // Always from the server, never from a cache.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(nTimeoutMs);
    m_pReply = m_pManager->get(request);
    connect(m_pReply, &QNetworkReply::readyRead, this, &CVersionFetch::OnReadyRead);
    connect(m_pReply, &QNetworkReply::finished, this, &CVersionFetch::OnFinished);
    m_pTimer->start(nTimeoutMs);
}

void CVersionFetch::Abort() {
    m_bDone = true;
    if (m_pTimer != nullptr)
        m_pTimer->stop();
    if (m_pReply != nullptr) {
        QNetworkReply* pReply = m_pReply;
        m_pReply = nullptr;
        pReply->disconnect(this);
        pReply->abort();
        pReply->deleteLater();
    }
}

void CVersionFetch::OnReadyRead() {
    if (m_bDone || m_pReply == nullptr)
        return;
    m_strBody += m_pReply->read(MAX_READ - m_strBody.size());
    // Enough once the first line is complete or cannot be a version any more.
    if (m_strBody.contains('\n') || m_strBody.size() >= MAX_READ) {
        const int nStatus = m_pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        Report(nStatus == 200);
    }
}

void CVersionFetch::OnFinished() {
    if (m_bDone || m_pReply == nullptr)
        return;
    m_strBody += m_pReply->read(MAX_READ - m_strBody.size());
    const int nStatus = m_pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    Report(m_pReply->error() == QNetworkReply::NoError && nStatus == 200);
}

void CVersionFetch::Report(bool bOk) {
    if (m_bDone)
        return;
    const QByteArray strLine = QByteArray::fromStdString(UpdateCheck::FirstLine(m_strBody.toStdString()));
    Abort();
    emit Finished(bOk, bOk ? strLine : QByteArray());
}

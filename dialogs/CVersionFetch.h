#pragma once
// One HTTP GET of the update server's version file, reading no more than its first line.
// A QObject without widgets: it works on whatever thread it lives on (the GUI thread for
// the on-demand check, the silent check's own thread) and reports once with Finished.
// A transfer that stalls or takes longer than the time-out fails.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

class CVersionFetch : public QObject {
    Q_OBJECT
public:
    explicit CVersionFetch(QObject* pParent = nullptr);
    ~CVersionFetch() override;

    // The bytes read are capped: the first line of a version file is short.
    static constexpr int MAX_READ = 4096;

    // Starts the request (on this object's thread); Finished follows exactly once.
    void Start(const QUrl& url, int nTimeoutMs);
    // Stops a running request without reporting.
    void Abort();

signals:
    // bOk: the server answered 200 and the first line (without its line end) was read.
    void Finished(bool bOk, const QByteArray& strFirstLine);

private:
    void OnReadyRead();
    void OnFinished();
    void Report(bool bOk);

    QNetworkAccessManager* m_pManager = nullptr;
    QPointer<QNetworkReply> m_pReply;
    QTimer* m_pTimer = nullptr;
    QByteArray m_strBody;
    bool m_bDone = true;
};

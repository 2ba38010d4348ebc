#pragma once
// A real HTTP server on 127.0.0.1 for the update check: answers every GET with one body
// (status 200), or never answers at all. Lives on the test's thread; counts requests.

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

class CLocalHttpServer : public QTcpServer {
public:
    QByteArray strBody;
    bool bSilent = false;  // accept, read, never answer
    int nStatus = 200;
    int nRequests = 0;
    QByteArray strLastPath;

    bool Start() { return listen(QHostAddress::LocalHost, 0); }
    QString BaseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }

protected:
    void incomingConnection(qintptr nSocket) override {
        auto* pSocket = new QTcpSocket(this);
        pSocket->setSocketDescriptor(nSocket);
        auto pRequest = std::make_shared<QByteArray>();
        connect(pSocket, &QTcpSocket::readyRead, pSocket, [this, pSocket, pRequest] {
            *pRequest += pSocket->readAll();
            if (!pRequest->contains("\r\n\r\n"))
                return;
            ++nRequests;
            strLastPath = pRequest->split(' ').value(1);
            if (bSilent)
                return;
            QByteArray strReply =
                "HTTP/1.1 " + QByteArray::number(nStatus) + " X\r\nContent-Type: text/plain\r\n";
            strReply +=
                "Content-Length: " + QByteArray::number(strBody.size()) + "\r\nConnection: close\r\n\r\n";
            pSocket->write(strReply + strBody);
            pSocket->disconnectFromHost();
        });
    }
};

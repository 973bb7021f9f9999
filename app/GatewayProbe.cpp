#include "GatewayProbe.h"

#include "GatewayAddress.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

GatewayProbe::GatewayProbe(QObject* parent) : QObject(parent) {}

void GatewayProbe::ask(const QString& base, int timeoutMs, std::function<void(const Answer&)> done)
{
    for (QNetworkReply* earlier : findChildren<QNetworkReply*>()) {
        earlier->disconnect(this);
        earlier->abort();
        earlier->deleteLater();
    }
    QNetworkRequest request(QUrl(GatewayAddress::smsPage(base)));
    request.setTransferTimeout(timeoutMs);
    QNetworkReply* reply = m_network.get(request);
    reply->setParent(this);
    connect(reply, &QNetworkReply::finished, this, [reply, done = std::move(done)] {
        reply->deleteLater();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        Answer answer;
        answer.answered = status.isValid();
        answer.status = status.toInt();
        if (!answer.answered)
            answer.error = reply->errorString();
        done(answer);
    });
}

#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QString>

#include <functional>

// Asks a gateway's SMS page for itself, with a request of its own: never
// through the browser the sending chain uses, whose page, history and
// cookies stay as they are.
class GatewayProbe : public QObject
{
    Q_OBJECT

public:
    struct Answer
    {
        bool answered = false; // an HTTP answer came, whatever its status
        int status = 0;
        QString error; // why nothing came
    };

    explicit GatewayProbe(QObject* parent = nullptr);

    // Calls done once, on this thread, when the page answered or the request
    // failed or took longer than timeoutMs. A new ask drops the earlier one.
    void ask(const QString& base, int timeoutMs, std::function<void(const Answer&)> done);

private:
    QNetworkAccessManager m_network;
};

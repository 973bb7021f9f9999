#include "DemoGateway.h"
#include "FormBody.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <chrono>
#include <cstdio>
#include <httplib.h>
#include <thread>

namespace {

const char sessionCookie[] = "selvanto_demo_session";

QString sessionFrom(const httplib::Request& request)
{
    static const QRegularExpression pattern(
        QStringLiteral("(?:^|;\\s*)%1=([^;]*)").arg(QString::fromLatin1(sessionCookie)));
    const QRegularExpressionMatch match =
        pattern.match(QString::fromStdString(request.get_header_value("Cookie")));
    return match.hasMatch() ? match.captured(1) : QString();
}

DemoRequest toDemoRequest(const httplib::Request& request)
{
    DemoRequest demo;
    demo.method = QString::fromStdString(request.method);
    demo.path = QString::fromStdString(request.path);
    demo.sessionId = sessionFrom(request);
    // The query's fields; the first value of each name, as a browser sends one per name.
    for (auto it = request.params.begin(); it != request.params.end(); ++it) {
        const QString name = QString::fromStdString(it->first);
        if (!demo.fields.contains(name))
            demo.fields.insert(name, QString::fromStdString(it->second));
    }
    return demo;
}

void answer(DemoGateway& gateway, const DemoRequest& request, httplib::Response& response)
{
    const DemoResponse demo = gateway.handle(request);
    if (!demo.newSession.isEmpty()) {
        response.set_header("Set-Cookie",
                            QStringLiteral("%1=%2; Path=/; HttpOnly; SameSite=Lax")
                                .arg(QString::fromLatin1(sessionCookie), demo.newSession)
                                .toStdString());
    }
    response.set_header("Cache-Control", "no-store");
    if (!demo.redirect.isEmpty()) {
        response.set_redirect(demo.redirect.toStdString(), 303);
        return;
    }
    response.status = demo.found ? 200 : 404;
    const std::string html = demo.html.toStdString();
    switch (demo.delivery) {
    case DemoResponse::Delivery::Whole:
        response.set_content(html, "text/html; charset=utf-8");
        break;
    case DemoResponse::Delivery::Dropped:
        // The length promises a page; the connection closes before any of it.
        response.set_content_provider(html.size(), "text/html; charset=utf-8",
                                      [](size_t, size_t, httplib::DataSink&) { return false; });
        break;
    case DemoResponse::Delivery::Unfinished:
        // Half the page, then nothing until the browser gives up or ten minutes pass.
        response.set_content_provider(html.size(), "text/html; charset=utf-8",
                                      [html](size_t offset, size_t, httplib::DataSink& sink) {
                                          if (offset == 0)
                                              return sink.write(html.data(), html.size() / 2);
                                          for (int second = 0; second < 600 && sink.is_writable();
                                               ++second)
                                              std::this_thread::sleep_for(std::chrono::seconds(1));
                                          return false;
                                      });
        break;
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("selvanto-gateway-demo"));

    const DemoAccount defaults;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A local stand-in for the SMS gateway's web site, on 127.0.0.1.\n"
                       "Log in at /front_end/sms with account \"%1\", password \"%2\" and "
                       "verification code \"%3\" unless given otherwise; accepted messages "
                       "are listed at /outbox.")
            .arg(defaults.account, defaults.password, defaults.code));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on; 0 picks a free one."),
                                        QStringLiteral("N"), QStringLiteral("8080"));
    const QCommandLineOption accountOption(QStringLiteral("account"),
                                           QStringLiteral("Account name."), QStringLiteral("A"),
                                           defaults.account);
    const QCommandLineOption passwordOption(QStringLiteral("password"), QStringLiteral("Password."),
                                            QStringLiteral("P"), defaults.password);
    const QCommandLineOption codeOption(QStringLiteral("code"),
                                        QStringLiteral("Verification code."), QStringLiteral("C"),
                                        defaults.code);
    const QCommandLineOption outboxOption(
        QStringLiteral("outbox"),
        QStringLiteral("Append every accepted message to FILE as one JSON line."),
        QStringLiteral("FILE"));
    const QCommandLineOption delayOption(
        QStringLiteral("sms-delay"),
        QStringLiteral("Answer every request for the SMS page MS milliseconds late, as a slow "
                       "gateway would."),
        QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption refuseLogInOption(
        QStringLiteral("refuse-login"),
        QStringLiteral("Refuse every log-in, showing the log-in form again."));
    const QCommandLineOption refuseCodeOption(
        QStringLiteral("refuse-code"),
        QStringLiteral("Refuse every verification code, showing its form again."));
    const QCommandLineOption alertOption(
        QStringLiteral("alert-refusals"),
        QStringLiteral("Say every refusal in an alert box on a plain page."));
    const QCommandLineOption dropOption(
        QStringLiteral("drop-verification"),
        QStringLiteral("Accept the verification, then close its connection without an answer."));
    const QCommandLineOption hangOption(
        QStringLiteral("hang-verification"),
        QStringLiteral("Accept the verification, then never finish its answer page."));
    parser.addOptions({portOption, accountOption, passwordOption, codeOption, outboxOption,
                       delayOption, refuseLogInOption, refuseCodeOption, alertOption, dropOption,
                       hangOption});
    parser.process(application);

    bool portValid = false;
    const int port = parser.value(portOption).toInt(&portValid);
    if (!portValid || port < 0 || port > 65535) {
        std::fprintf(stderr, "invalid port: %s\n", qPrintable(parser.value(portOption)));
        return 2;
    }

    const int smsDelayMs = std::max(0, parser.value(delayOption).toInt());
    DemoGateway gateway(DemoAccount{parser.value(accountOption), parser.value(passwordOption),
                                    parser.value(codeOption)},
                        parser.value(outboxOption),
                        DemoBehaviour{parser.isSet(refuseLogInOption),
                                      parser.isSet(refuseCodeOption), parser.isSet(alertOption),
                                      parser.isSet(dropOption), parser.isSet(hangOption)});
    httplib::Server server;
    server.Get(
        ".*", [&gateway, smsDelayMs](const httplib::Request& request, httplib::Response& response) {
            if (smsDelayMs > 0 && request.path == "/front_end/sms")
                std::this_thread::sleep_for(std::chrono::milliseconds(smsDelayMs));
            answer(gateway, toDemoRequest(request), response);
        });
    // Form bodies are read here rather than by the library, which refuses
    // url-encoded bodies over 8 KiB; long messages must arrive whole.
    server.Post(".*", [&gateway](const httplib::Request& request, httplib::Response& response,
                                 const httplib::ContentReader& reader) {
        std::string body;
        reader([&body](const char* data, size_t length) {
            body.append(data, length);
            return true;
        });
        DemoRequest demo = toDemoRequest(request);
        demo.fields = parseFormBody(QByteArray::fromStdString(body));
        answer(gateway, demo, response);
    });

    const char host[] = "127.0.0.1";
    int boundPort = port;
    if (port == 0)
        boundPort = server.bind_to_any_port(host);
    else if (!server.bind_to_port(host, port))
        boundPort = -1;
    if (boundPort <= 0) {
        std::fprintf(stderr, "cannot listen on %s:%d\n", host, port);
        return 1;
    }
    std::printf("selvanto-gateway-demo: http://%s:%d\n", host, boundPort);
    std::fflush(stdout);
    return server.listen_after_bind() ? 0 : 1;
}

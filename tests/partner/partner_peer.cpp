// A stand-in viewer for the partner tests: a separate process with one endpoint.
//
//   partner_peer <folder> <title> serve              prints "got <message> <event word> <payload>"
//                                                    for every request and handles it at once
//   partner_peer <folder> <title> echo <other title> as serve, and also sends ReloadSynchro to
//                                                    <other title> while it handles a tree event
//   partner_peer <folder> <title> hang               never returns from its handler
//   partner_peer <folder> <title> chatter <other title> <count>
//                                                    sends <count> tree events to <other title> at
//                                                    once, handles what arrives meanwhile, then
//                                                    prints "sent <delivered count>"; on ReloadDebug
//                                                    prints "received <tree events so far>"
//
// Prints "ready <endpoint id>" once it listens. Ends by itself after a minute so that a failed
// test leaves nothing behind.
#include "partner/partner_endpoint.h"

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: partner_peer <folder> <title> serve|echo|hang [other title]\n");
        return 2;
    }
    const std::string mode = argv[3];
    const QString otherTitle = argc > 4 ? QString::fromUtf8(argv[4]) : QString();

    dg::partner::PartnerEndpoint endpoint;
    endpoint.setTitle(QString::fromUtf8(argv[2]));
    int received = 0;
    endpoint.setHandler([&](const dg::partner::Frame& frame) {
        if (mode == "chatter") {
            if (frame.message == dg::partner::MessageNumber::ReloadDebug) {
                std::printf("received %d\n", received);
                std::fflush(stdout);
            } else {
                ++received;
            }
            return;
        }
        if (mode == "hang") {
            for (;;)
                std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        bool sentBack = false;
        if (mode == "echo" && frame.message == dg::partner::MessageNumber::CopyData)
            sentBack = endpoint.send(otherTitle, dg::partner::MessageNumber::ReloadSynchro);
        std::printf("got %x %u %s%s\n", static_cast<unsigned>(frame.message), frame.eventWord,
                    frame.payload.c_str(), sentBack ? " sent-back" : "");
        std::fflush(stdout);
    });
    const QString error = endpoint.start(argv[1]);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("ready %s\n", qPrintable(endpoint.id()));
    std::fflush(stdout);
    if (mode == "chatter") {
        const int count = argc > 5 ? std::atoi(argv[5]) : 0;
        QTimer::singleShot(0, &app, [&, count] {
            int sent = 0;
            for (int i = 0; i < count; ++i)
                sent += endpoint.send(otherTitle, dg::partner::MessageNumber::CopyData,
                                      static_cast<std::uint32_t>(i), "C:\\x")
                            ? 1
                            : 0;
            std::printf("sent %d\n", sent);
            std::fflush(stdout);
        });
    }
    QTimer::singleShot(std::chrono::minutes(1), &app, &QCoreApplication::quit);
    return app.exec();
}

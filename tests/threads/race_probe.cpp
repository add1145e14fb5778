// Proof that the thread-sanitizer run still sees races in our code. Built only with the thread
// sanitizer and run by ctest in two ways:
//  - "race": a worker thread writes a counter with no synchronisation while a slot run by Qt's
//    event loop reads it. Qt's own frames sit under the reading side, as they do under every slot
//    of the program; the run must report it (the test passes only on that report).
//  - "handoff": the worker fills a result and hands it to the UI thread through the program's
//    Mailbox while that thread is busy in a slot (so no wake-up of a sleeping event loop orders the
//    two threads by chance); the run must stay silent.
#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "app/Mailbox.h"

namespace {

int counter = 0;
std::string result;

void workerWritesTheCounter() {
    for (int i = 0; i < 1000; ++i) counter = i;
}

void slotReadsTheCounter() { std::printf("counter %d\n", counter); }

void busyFor(std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool race = argc > 1 && std::strcmp(argv[1], "race") == 0;
    dravik::Mailbox mailbox;
    std::thread worker;
    if (race) {
        worker = std::thread(workerWritesTheCounter);
        QTimer::singleShot(0, &app, slotReadsTheCounter);
    } else {
        QTimer::singleShot(0, &app, [] { busyFor(std::chrono::milliseconds(60)); });
        worker = std::thread([&mailbox] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            result = "a result long enough to live on the heap, filled by the worker";
            mailbox.post([] {
                std::printf("%s\n", result.c_str());
                result.clear();
            });
        });
    }
    QTimer::singleShot(150, &app, [&] {
        worker.join();
        app.quit();
    });
    return app.exec();
}

// Proof that the thread-sanitizer run still sees races in our code. Built only with the thread
// sanitizer and run by ctest in two ways:
//  - "race": a worker thread writes a counter with no synchronisation while a slot run by Qt's
//    event loop reads it. Qt's own frames sit under the reading side, as they do under every slot
//    of the program; the run must report it (the test passes only on that report).
//  - "handoff": the worker fills a result and hands it to the event loop with a queued call, as
//    the program's workers do. Qt synchronises that; the run must stay silent.
#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

int counter = 0;
std::string result;

void workerWritesTheCounter() {
    for (int i = 0; i < 1000; ++i) counter = i;
}

void slotReadsTheCounter() { std::printf("counter %d\n", counter); }

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool race = argc > 1 && std::strcmp(argv[1], "race") == 0;
    std::thread worker;
    if (race) {
        worker = std::thread(workerWritesTheCounter);
        QTimer::singleShot(0, &app, slotReadsTheCounter);
    } else {
        worker = std::thread([&app] {
            result = "a result long enough to live on the heap, filled by the worker";
            QMetaObject::invokeMethod(
                &app, [] { std::printf("%s\n", result.c_str()); result.clear(); }, Qt::QueuedConnection);
        });
    }
    QTimer::singleShot(100, &app, [&] {
        worker.join();
        app.quit();
    });
    return app.exec();
}

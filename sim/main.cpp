// zmsg-center-sim: the service-center and opt-out server simulator as a program, for the demo and for
// trying the module by hand. The first line on stdout is "listening on 127.0.0.1:PORT".
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pthread.h>

#include "sim/simserver.h"

namespace {
void Usage() {
    std::fprintf(stderr, "usage: zmsg-center-sim [--port N (0 = any free port, default 8470)] "
                         "[--result-delay SECONDS (default 0)]\n");
}
} // namespace

int main(int argc, char** argv) {
    int port = 8470;
    int resultDelay = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
            port = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--result-delay") == 0 && i + 1 < argc) {
            resultDelay = std::atoi(argv[++i]);
        } else {
            Usage();
            return 2;
        }
    }
    // Termination is awaited with sigwait; the server's threads inherit the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    zmsg::sim::SimServer server;
    if (!server.Start(port)) {
        std::fprintf(stderr, "zmsg-center-sim: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    server.Center().SetResultDelaySeconds(resultDelay);
    // The demo script reads this line through a pipe: it must not wait in a buffer.
    std::printf("listening on 127.0.0.1:%d\n", server.Port());
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    server.Stop();
    return 0;
}

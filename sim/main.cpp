// zmsg-center-sim: the service-center and opt-out server simulator as a program, for the demo and for
// trying the module by hand. The first line on stdout is "listening on 127.0.0.1:PORT".
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pthread.h>

#include "sim/simserver.h"

namespace {
const char kUsage[] = "usage: zmsg-center-sim [--port N] [--result-delay SECONDS] [--help]\n";

const char kHelp[] =
    "usage: zmsg-center-sim [--port N] [--result-delay SECONDS]\n"
    "\n"
    "A simulator of the message service center and the opt-out server, for trying the messaging module\n"
    "without the real center. It listens on 127.0.0.1 only and prints \"listening on 127.0.0.1:PORT\" as\n"
    "its first line; SIGINT, SIGTERM or SIGHUP stop it. Point the module at it with [CENTER] Host and\n"
    "OptOutHost = http://127.0.0.1:PORT in ZMSG.ini.\n"
    "\n"
    "Options:\n"
    "  --port N                the port to listen on; 0 takes any free port (default 8470)\n"
    "  --result-delay SECONDS  how long after a send ends its delivery results become available\n"
    "                          (default 0)\n"
    "  --help, -h              this text\n"
    "\n"
    "Stores: 1001 (call-charged), 1002 (prepaid), 1003 (no account). Numbers ending in 7 fail.\n"
    "Control requests for tests and for trying faults by hand: GET /_sim/requests, GET /_sim/state,\n"
    "POST /_sim/fault, /_sim/clock, /_sim/config, /_sim/optout, /_sim/reset. See zmsg-center-sim(1).\n"
    "\n"
    "Exit status: 0 stopped by a signal; 1 the port cannot be listened on; 2 wrong use.\n";
} // namespace

int main(int argc, char** argv) {
    int port = 8470;
    int resultDelay = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
            port = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--result-delay") == 0 && i + 1 < argc) {
            resultDelay = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        } else {
            std::fputs(kUsage, stderr);
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

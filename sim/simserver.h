// The simulator on real HTTP at 127.0.0.1: the service center's request addresses, the image upload
// and download, the opt-out server, and a control surface under /_sim/ (see simserver.cpp).
#pragma once

#include <memory>
#include <string>

#include "sim/centerstate.h"
#include "sim/faultplan.h"
#include "sim/optoutstate.h"
#include "sim/requestlog.h"

namespace zmsg::sim {

class SimServer {
public:
    SimServer();
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Listens on 127.0.0.1:port (0 picks a free port). Ignores SIGPIPE for the whole process: a
    // connection the simulator drops on purpose must not kill it. False when the port is taken.
    bool Start(int port = 0);
    void Stop();
    int Port() const;
    // "http://127.0.0.1:PORT", the value the module's host settings take.
    std::string BaseUrl() const;

    CenterState& Center();
    OptOutState& OptOut();
    FaultPlan& Faults();
    RequestLog& Requests();
    // Back to the initial stores, no transfers, no faults, an empty request log.
    void Reset();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace zmsg::sim

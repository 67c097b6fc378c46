// Control surface:
//   GET  /_sim/requests  every request received, as JSON (index, time, method, path, verb, fields, fault)
//   GET  /_sim/state     stores' balances, every send, app message, coupon issue and upload, as JSON; under
//                        "optout" the opt-out server's stores, sessions, calls and call lists asked for
//   POST /_sim/fault     verb, nth (1 = next), kind (delay | close-before | close-after | http500 | fail |
//                        nocolon | short | badutf8 | raw), delay (ms), code, reason, body, act (0/1)
//   POST /_sim/reset     initial state
//   POST /_sim/clock     advance=<seconds>: results and reservations fall due
//   POST /_sim/config    result_delay=<seconds>, next_ml=<code>, repeated_end=refuse|repeat,
//                        app_fail_digit=<0-9> (app messages fail to numbers ending in it; 7 by default)
//   POST /_sim/cancel    ss=<code>: the send is cancelled (SMSRESULT then answers "9:")
//   POST /_sim/optout    mart, then date (YYYY-MM-DD), time (HHMMSS), p, cn once per call (repeated for
//                        several), or count=N with one date and time: new refusal calls (optoutstate.h)
#include "sim/simserver.h"

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include <httplib.h>

#include "sim/pages.h"

namespace zmsg::sim {

namespace {

const char* const kOriginalType = "X-Sim-Content-Type";

struct Answer {
    int status = 200;
    std::string body;
    std::string contentType = "text/plain; charset=utf-8";
};

int PortOf(const sockaddr_storage& a) {
    if (a.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(a).sin_port);
    if (a.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(a).sin6_port);
    return -1;
}

// cpp-httplib gives a handler no socket: the connection is found among the process's descriptors by
// its two ports. remotePort < 0 matches every connection accepted on localPort.
void ShutdownConnections(int localPort, int remotePort) {
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir)
        return;
    while (const dirent* e = ::readdir(dir)) {
        const int fd = std::atoi(e->d_name);
        if (fd <= 2 || fd == ::dirfd(dir))
            continue;
        sockaddr_storage local{}, peer{};
        socklen_t ll = sizeof local, pl = sizeof peer;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &ll) != 0 ||
            ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &pl) != 0)
            continue;
        if (PortOf(local) == localPort && (remotePort < 0 || PortOf(peer) == remotePort))
            ::shutdown(fd, SHUT_RDWR);
    }
    ::closedir(dir);
}

} // namespace

struct SimServer::Impl {
    httplib::Server server;
    std::thread thread;
    int port = 0;
    CenterState center;
    OptOutState optOut;
    FaultPlan faults;
    RequestLog requests;

    void Route();
    void Control(const httplib::Request& req, httplib::Response& res);
    // One exchange of the protocol: record, apply a due fault, act, answer.
    void Exchange(const httplib::Request& req, httplib::Response& res, const std::string& verb,
                  FormFields fields, const std::function<Answer()>& act);
};

void SimServer::Impl::Route() {
    server.set_keep_alive_max_count(1000);
    // Form bodies are read raw: the library's own form parser stops at 8 KiB (a batch of 1,000
    // recipients is larger) and its multipart parser would hide the upload's exact layout.
    server.set_pre_routing_handler([](const httplib::Request& creq, httplib::Response&) {
        auto& req = const_cast<httplib::Request&>(creq);
        const auto it = req.headers.find("Content-Type");
        if (it != req.headers.end()) {
            const std::string type = it->second;
            req.headers.erase(it);
            req.headers.emplace(kOriginalType, type);
            req.headers.emplace("Content-Type", "application/octet-stream");
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });

    server.Post(".*", [this](const httplib::Request& req, httplib::Response& res) {
        if (req.path.rfind("/_sim/", 0) == 0)
            return Control(req, res);
        if (req.path == "/SMMS/UploadImage.ashx") {
            const UploadParts parts = ParseUpload(req.get_header_value(kOriginalType), req.body);
            FormFields fields;
            if (parts.hasText)
                fields.emplace_back(parts.textField, parts.textValue);
            if (parts.hasFile) {
                fields.emplace_back(parts.fileField, parts.fileName);
                fields.emplace_back("size", std::to_string(parts.fileBytes.size()));
            }
            fields.emplace_back("layout", parts.ok ? "ok" : parts.error);
            fields.emplace_back("boundary", parts.boundary);
            fields.emplace_back("user-agent", req.get_header_value("User-Agent"));
            fields.emplace_back("accept", req.get_header_value("Accept"));
            return Exchange(req, res, "UPLOAD", std::move(fields), [this, parts] {
                return Answer{200, center.HandleUpload(parts)};
            });
        }
        if (req.path == "/korvane/auth.php" || req.path == "/korvane/request.php") {
            const bool auth = req.path == "/korvane/auth.php";
            FormFields fields = ParseForm(req.body);
            fields.emplace_back("xml", OptOutState::DecodeXml(req.body));
            const std::string body = req.body;
            return Exchange(req, res, auth ? "AUTH" : "CALLLIST", std::move(fields), [this, auth, body] {
                return Answer{200, auth ? optOut.Auth(body) : optOut.CallList(body),
                              "text/xml; charset=utf-8"};
            });
        }
        FormFields fields = ParseForm(req.body);
        const std::string verb = FieldOf(fields, "work");
        const std::string path = req.path;
        Exchange(req, res, verb, fields, [this, path, fields] {
            return Answer{200, center.Handle(path, fields)};
        });
    });

    server.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        if (req.path.rfind("/_sim/", 0) == 0)
            return Control(req, res);
        if (req.path == "/korvane/request.php") {
            const size_t q = req.target.find('?');
            const std::string query = q == std::string::npos ? std::string() : req.target.substr(q + 1);
            return Exchange(req, res, "WEBPAGE", {{"xml", OptOutState::DecodeXml(query)}}, [this, query] {
                return Answer{200, optOut.WebPage(query), "text/html; charset=utf-8"};
            });
        }
        if (IsCenterPage(req.path)) {
            const size_t q = req.target.find('?');
            FormFields query = ParseForm(q == std::string::npos ? std::string() : req.target.substr(q + 1));
            return Exchange(req, res, "PAGE", query, [this, path = req.path, query] {
                const PageReply page = CenterPage(path, query, center);
                return Answer{page.status, page.html, "text/html; charset=utf-8"};
            });
        }
        const std::string path = req.path;
        Exchange(req, res, "DOWNLOAD", {}, [this, path] {
            const auto bytes = center.Download(path);
            if (!bytes)
                return Answer{404, "not found"};
            const bool jpeg = path.size() > 4 && path.substr(path.size() - 4) == ".jpg";
            return Answer{200, *bytes, jpeg ? "image/jpeg" : "application/octet-stream"};
        });
    });
}

void SimServer::Impl::Exchange(const httplib::Request& req, httplib::Response& res, const std::string& verb,
                               FormFields fields, const std::function<Answer()>& act) {
    RecordedRequest record;
    record.method = req.method;
    record.path = req.path;
    record.verb = verb;
    record.fields = std::move(fields);
    const int index = requests.Add(std::move(record));

    const std::optional<Fault> fault = faults.Take(verb);
    if (fault) {
        requests.SetFault(index, FaultKindName(fault->kind));
        if (fault->delayMs > 0 && !faults.Sleep(fault->delayMs)) {
            ShutdownConnections(req.local_port, req.remote_port);
            return;
        }
    }
    const FaultKind kind = fault ? fault->kind : FaultKind::Delay;
    if (kind == FaultKind::CloseBefore) {
        if (fault->Acts())
            act();
        ShutdownConnections(req.local_port, req.remote_port);
        return;
    }
    Answer answer;
    if (!fault || fault->Acts())
        answer = act();
    switch (kind) {
    case FaultKind::CloseAfter:
        ShutdownConnections(req.local_port, req.remote_port);
        return;
    case FaultKind::Http500:
        answer = Answer{500, "Internal Server Error"};
        break;
    case FaultKind::Fail:
        answer = Answer{200, fault->code + ":" + fault->reason};
        break;
    case FaultKind::NoColon:
        if (answer.body.size() >= 2 && answer.body[1] == ':')
            answer.body.erase(1, 1);
        break;
    case FaultKind::Short:
        answer.body = "1:";
        break;
    case FaultKind::BadUtf8:
        answer.body = "\xC3\x28" + answer.body;
        break;
    case FaultKind::Raw:
        answer.body = fault->body;
        break;
    default:
        break;
    }
    res.status = answer.status;
    res.set_content(answer.body, answer.contentType.c_str());
}

void SimServer::Impl::Control(const httplib::Request& req, httplib::Response& res) {
    const FormFields f = ParseForm(req.body);
    auto number = [&](const char* name, long long fallback) {
        const std::string v = FieldOf(f, name);
        return v.empty() ? fallback : std::atoll(v.c_str());
    };
    if (req.method == "GET" && req.path == "/_sim/requests")
        return res.set_content(requests.ToJson(), "application/json");
    if (req.method == "GET" && req.path == "/_sim/state") {
        std::string state = center.ToJson();
        const size_t end = state.rfind('}');
        if (end != std::string::npos)
            state.insert(end, ",\n\"optout\":" + optOut.ToJson());
        return res.set_content(state, "application/json");
    }
    if (req.method == "POST" && req.path == "/_sim/fault") {
        // A mistyped fault must not look armed: the request that was meant to fail would then succeed.
        static const char* const kParameters[] = {"verb", "nth",    "kind", "delay",
                                                  "code", "reason", "body", "act"};
        std::string unknown;
        for (const auto& [name, value] : f)
            if (std::find_if(std::begin(kParameters), std::end(kParameters),
                             [&](const char* p) { return name == p; }) == std::end(kParameters))
                unknown += (unknown.empty() ? "" : ", ") + name;
        const auto kind = FaultKindFromName(FieldOf(f, "kind").empty() ? "delay" : FieldOf(f, "kind"));
        if (!kind || FieldOf(f, "verb").empty() || !unknown.empty()) {
            res.status = 400;
            std::string text = !unknown.empty() ? "unknown parameter: " + unknown + "\n"
                               : !kind          ? "unknown kind: " + FieldOf(f, "kind") + "\n"
                                                : std::string("verb is needed\n");
            text += "parameters: verb (request kind, e.g. SMSEND), nth (1 = next), kind, delay (ms), code, "
                    "reason, body, act (0 or 1)\nkinds: " +
                    FaultKindNames() + "\n";
            return res.set_content(text, "text/plain");
        }
        Fault fault;
        fault.verb = FieldOf(f, "verb");
        fault.nth = static_cast<int>(number("nth", 1));
        fault.kind = *kind;
        fault.delayMs = static_cast<int>(number("delay", 0));
        if (!FieldOf(f, "code").empty())
            fault.code = FieldOf(f, "code");
        fault.reason = FieldOf(f, "reason");
        fault.body = FieldOf(f, "body");
        fault.act = static_cast<int>(number("act", -1));
        faults.Arm(std::move(fault));
        return res.set_content("armed\n", "text/plain");
    }
    if (req.method == "POST" && req.path == "/_sim/reset") {
        center.Reset();
        optOut.Reset();
        faults.Clear();
        requests.Clear();
        return res.set_content("reset\n", "text/plain");
    }
    if (req.method == "POST" && req.path == "/_sim/clock") {
        center.AdvanceClock(static_cast<int>(number("advance", 0)));
        return res.set_content("ok\n", "text/plain");
    }
    if (req.method == "POST" && req.path == "/_sim/config") {
        if (!FieldOf(f, "result_delay").empty())
            center.SetResultDelaySeconds(static_cast<int>(number("result_delay", 0)));
        if (!FieldOf(f, "next_ml").empty())
            center.SetNextMessageListCode(number("next_ml", 1));
        if (!FieldOf(f, "repeated_end").empty())
            center.SetRefuseRepeatedEnd(FieldOf(f, "repeated_end") == "refuse");
        if (const std::string digit = FieldOf(f, "app_fail_digit");
            digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9')
            center.SetAppFailDigit(digit[0]);
        return res.set_content("ok\n", "text/plain");
    }
    if (req.method == "POST" && req.path == "/_sim/cancel") {
        const bool ok = center.CancelSend(static_cast<int>(number("ss", 0)));
        res.status = ok ? 200 : 404;
        return res.set_content(ok ? "cancelled\n" : "no such send\n", "text/plain");
    }
    if (req.method == "POST" && req.path == "/_sim/optout") {
        const std::string error = optOut.AddCalls(f);
        res.status = error.empty() ? 200 : 400;
        return res.set_content(error.empty() ? "ok\n" : error, "text/plain");
    }
    res.status = 404;
    res.set_content("unknown control\n", "text/plain");
}

SimServer::SimServer() : m_impl(std::make_unique<Impl>()) {
    m_impl->Route();
}

SimServer::~SimServer() {
    Stop();
}

bool SimServer::Start(int port) {
    std::signal(SIGPIPE, SIG_IGN);
    if (port == 0) {
        m_impl->port = m_impl->server.bind_to_any_port("127.0.0.1");
    } else {
        m_impl->port = m_impl->server.bind_to_port("127.0.0.1", port) ? port : -1;
    }
    if (m_impl->port <= 0)
        return false;
    m_impl->thread = std::thread([this] { m_impl->server.listen_after_bind(); });
    // Stop() before the accept loop runs would leave it running for ever.
    while (!m_impl->server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void SimServer::Stop() {
    if (!m_impl->thread.joinable())
        return;
    m_impl->faults.Interrupt();
    m_impl->server.stop();
    // Idle kept-alive connections would hold the workers for their whole keep-alive time.
    ShutdownConnections(m_impl->port, -1);
    m_impl->thread.join();
}

int SimServer::Port() const {
    return m_impl->port;
}

std::string SimServer::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(m_impl->port);
}

CenterState& SimServer::Center() {
    return m_impl->center;
}
OptOutState& SimServer::OptOut() {
    return m_impl->optOut;
}
FaultPlan& SimServer::Faults() {
    return m_impl->faults;
}
RequestLog& SimServer::Requests() {
    return m_impl->requests;
}

void SimServer::Reset() {
    m_impl->center.Reset();
    m_impl->optOut.Reset();
    m_impl->faults.Clear();
    m_impl->requests.Clear();
}

} // namespace zmsg::sim

#include "sim/faultplan.h"

#include <chrono>

namespace zmsg::sim {

namespace {
struct KindName {
    FaultKind kind;
    const char* name;
};
constexpr KindName kKindNames[] = {
    {FaultKind::Delay, "delay"},
    {FaultKind::CloseBefore, "close-before"},
    {FaultKind::CloseAfter, "close-after"},
    {FaultKind::Http500, "http500"},
    {FaultKind::Fail, "fail"},
    {FaultKind::NoColon, "nocolon"},
    {FaultKind::Short, "short"},
    {FaultKind::BadUtf8, "badutf8"},
    {FaultKind::Raw, "raw"},
};
} // namespace

bool Fault::Acts() const {
    if (act >= 0)
        return act != 0;
    return kind != FaultKind::CloseBefore && kind != FaultKind::Http500 && kind != FaultKind::Fail;
}

std::optional<FaultKind> FaultKindFromName(const std::string& name) {
    for (const auto& k : kKindNames)
        if (name == k.name)
            return k.kind;
    return std::nullopt;
}

std::string FaultKindName(FaultKind kind) {
    for (const auto& k : kKindNames)
        if (kind == k.kind)
            return k.name;
    return "?";
}

std::string FaultKindNames() {
    std::string names;
    for (const auto& k : kKindNames)
        names += (names.empty() ? "" : ", ") + std::string(k.name);
    return names;
}

void FaultPlan::Arm(Fault fault) {
    std::lock_guard lock(m_mutex);
    if (fault.nth < 1)
        fault.nth = 1;
    m_armed.push_back(std::move(fault));
}

std::optional<Fault> FaultPlan::Take(const std::string& verb) {
    std::lock_guard lock(m_mutex);
    std::optional<Fault> due;
    for (auto it = m_armed.begin(); it != m_armed.end();) {
        if (it->verb == verb && --it->nth == 0 && !due) {
            due = *it;
            it = m_armed.erase(it);
        } else {
            // Two faults due on the same request: the later one waits for the next.
            if (it->nth == 0)
                it->nth = 1;
            ++it;
        }
    }
    return due;
}

void FaultPlan::Clear() {
    std::lock_guard lock(m_mutex);
    m_armed.clear();
}

bool FaultPlan::Sleep(int ms) {
    std::unique_lock lock(m_mutex);
    return !m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_interrupted; });
}

void FaultPlan::Interrupt() {
    {
        std::lock_guard lock(m_mutex);
        m_interrupted = true;
    }
    m_wake.notify_all();
}

} // namespace zmsg::sim

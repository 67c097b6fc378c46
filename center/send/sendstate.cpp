#include "center/send/sendstate.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "frame/datafolder.h"
#include "frame/log.h"
#include "frame/moduleapp.h"
#include "text/codec.h"

namespace {

// Files of the first version hold SMS sends only and have no kind field; the second has no line of the
// send's title and picture. Both are still read.
constexpr const char* kMagicV1 = "ZMSGSEND 1";
constexpr const char* kMagicV2 = "ZMSGSEND 2";
constexpr const char* kMagic = "ZMSGSEND 3";

// Entries of paths whose last write failed: the only copy left is the process's own.
std::mutex g_memoryMutex;
std::map<std::string, std::vector<PendingSend>>& MemoryCopies() {
    static std::map<std::string, std::vector<PendingSend>> copies;
    return copies;
}

// Byte-wise, so a CP949 trail byte equal to '\\' survives as well.
bool NeedsEscape(char c) {
    return c == '\\' || c == '\r' || c == '\n' || c == '\t';
}

void AppendEscaped(std::string& out, const std::string& text) {
    if (std::none_of(text.begin(), text.end(), NeedsEscape)) {
        out += text;
        return;
    }
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
}

void AppendInt(std::string& out, long long value) {
    char buf[24];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    (void)ec; // 24 characters hold any long long
    out.append(buf, end);
}

bool Unescape(const std::string& text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        default:
            return false;
        }
    }
    return true;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> out;
    size_t start = 0;
    while (true) {
        const size_t tab = line.find('\t', start);
        out.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            return out;
        start = tab + 1;
    }
}

template <typename Int> bool ToInt(const std::string& text, Int& value) {
    if (text.empty())
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// "YYYY-MM-DD HH:MM:SS" or empty: the text goes into a statement as a literal.
bool IsSendTime(const std::string& t) {
    if (t.empty())
        return true;
    static constexpr char kShape[] = "0000-00-00 00:00:00";
    if (t.size() != sizeof kShape - 1)
        return false;
    for (size_t i = 0; i < t.size(); ++i)
        if (kShape[i] == '0' ? (t[i] < '0' || t[i] > '9') : t[i] != kShape[i])
            return false;
    return true;
}

bool Digits(const std::string& text) {
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool ReadFile(const std::string& path, std::string& out, bool& missing) {
    missing = false;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        missing = errno == ENOENT;
        return false;
    }
    char buf[8192];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

// Writes the bytes to tmp and syncs them; tmp is removed when that fails.
bool WriteSynced(const std::string& tmp, const std::string& bytes) {
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    zmsg::OpenToFolderGroup(fd, tmp);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    // The entry stands for money already spent: it must be on disk before the caller goes on.
    const bool ok = done == bytes.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok)
        std::remove(tmp.c_str());
    return ok;
}

// A reader of path sees the old text or the new one, never a part.
bool PutInPlace(const std::string& tmp, const std::string& path) {
    if (std::rename(tmp.c_str(), path.c_str()) == 0)
        return true;
    std::remove(tmp.c_str());
    return false;
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes) {
    const std::string tmp = path + ".tmp";
    return WriteSynced(tmp, bytes) && PutInPlace(tmp, path);
}

// Serialises the read-merge-write of the file between the processes (and threads) sharing it.
class FileLock {
public:
    explicit FileLock(const std::string& path)
        : m_fd(::open((path + "-lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
        // Another account's lock file in a shared folder: flock needs no write access.
        if (m_fd < 0 && errno == EACCES)
            m_fd = ::open((path + "-lock").c_str(), O_RDONLY | O_CLOEXEC);
        zmsg::OpenToFolderGroup(m_fd, path + "-lock");
        if (m_fd >= 0)
            ::flock(m_fd, LOCK_EX);
    }
    ~FileLock() {
        if (m_fd >= 0)
            ::close(m_fd); // closing releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int m_fd;
};

// The same sends in the same phases (the prepared file then still says what the merge would); of b
// only the entries `take` accepts count.
template <typename Take>
bool SameEntries(const std::vector<PendingSend>& a, const std::vector<PendingSend>& b, Take take) {
    if (a.size() != static_cast<size_t>(std::count_if(b.begin(), b.end(), take)))
        return false;
    for (const PendingSend& x : a) {
        const auto it = std::find_if(b.begin(), b.end(), [&](const PendingSend& y) {
            return take(y) && y.kind == x.kind && y.centerCode == x.centerCode && y.phase == x.phase &&
                   y.callSent == x.callSent && y.recipients.size() == x.recipients.size();
        });
        if (it == b.end())
            return false;
    }
    return true;
}

} // namespace

SendState::SendState(std::string path) : m_path(std::move(path)) {}

SendState::~SendState() {
    Discard();
}

std::string SendState::Serialize(const std::vector<PendingSend>& sends) {
    // A send of many recipients makes a file of megabytes: sized once, appended piece by piece.
    size_t room = 32;
    for (const PendingSend& s : sends)
        room += 96 +
                2 * (s.reservation.size() + s.callback.size() + s.message.size() + s.title.size() +
                     s.picture.size()) +
                s.recipients.size() * 32;
    std::string out;
    out.reserve(room);
    out += kMagic;
    out += "\r\n";
    for (const PendingSend& s : sends) {
        out += "SEND\t";
        out += static_cast<char>(s.phase);
        out += '\t';
        out += static_cast<char>(s.kind);
        out += '\t';
        AppendInt(out, s.centerCode);
        out += '\t';
        AppendInt(out, s.storeCode);
        out += s.lms ? "\tL\t" : "\tS\t";
        AppendInt(out, s.empCode);
        out += '\t';
        AppendInt(out, s.targetType);
        out += '\t';
        AppendInt(out, s.callSent);
        out += '\t';
        AppendEscaped(out, s.reservation);
        out += '\t';
        AppendEscaped(out, s.callback);
        out += '\t';
        AppendInt(out, static_cast<long long>(s.recipients.size()));
        out += '\t';
        AppendEscaped(out, s.sentAt);
        out += s.allMembers ? "\t1\t" : "\t0\t";
        AppendInt(out, s.mobileDays);
        out += '\t';
        AppendInt(out, s.allUser);
        out += s.combined ? "\t1\t" : "\t0\t";
        AppendInt(out, s.joinCode);
        if (s.phase == PendingSend::Phase::Disputed) {
            out += '\t';
            AppendEscaped(out, s.reason);
        }
        out += "\r\nMSG\t";
        AppendEscaped(out, s.message);
        out += "\r\nIDN\t";
        AppendEscaped(out, s.title);
        out += '\t';
        AppendEscaped(out, s.picture);
        out += "\r\n";
        for (const SentRecipient& r : s.recipients) {
            // The bulk of the file: three appends a line.
            char head[16] = {'R', '\t'};
            char* w = std::to_chars(head + 2, head + sizeof head - 1, r.ref).ptr;
            *w++ = '\t';
            out.append(head, w);
            AppendEscaped(out, r.phone);
            out += "\r\n";
        }
    }
    out += "END\r\n";
    return out;
}

namespace {

// "SEND" line of the first version: phase, code, store, S|L, emp, target, calls, reservation,
// callback, count, [sent at], [reason]. The second version puts the kind after the phase and the
// app message's end values (all-members, period, ALL_USER) after the time.
bool ParseSendLine(const std::vector<std::string>& line, bool v1, PendingSend& s, int32_t& count) {
    std::vector<std::string> f = line;
    if (f.size() < 2 || f[0] != "SEND")
        return false;
    const bool disputed = f[1] == "D";
    if (f[1] != "U" && f[1] != "R" && !disputed)
        return false;
    if (v1) {
        // Eleven fields in files written before the send time was kept; a disputed end adds the
        // center's reason.
        if (disputed ? f.size() != 13 : (f.size() != 11 && f.size() != 12))
            return false;
        s.kind = SendKind::Sms;
        f.insert(f.begin() + 2, "S");
        if (f.size() == 12)
            f.push_back(std::string());
        f.insert(f.begin() + 13, {"0", "-1", "0"});
    } else {
        if (f.size() < 2 || f[2].size() != 1 || (f[2][0] != 'S' && f[2][0] != 'A' && f[2][0] != 'C'))
            return false;
        s.kind = static_cast<SendKind>(f[2][0]);
        // Files written before combined sends were kept lack their two fields (combined, join code).
        const size_t base = disputed ? 17u : 16u;
        if (f.size() == base)
            f.insert(f.begin() + 16, {"0", "0"});
        else if (f.size() != base + 2)
            return false;
        int32_t combined = 0;
        if (!ToInt(f[16], combined) || (combined != 0 && combined != 1) || !ToInt(f[17], s.joinCode) ||
            s.joinCode < 0)
            return false;
        s.combined = combined == 1;
        f.erase(f.begin() + 16, f.begin() + 18);
    }
    int32_t all = 0;
    if ((f[5] != "S" && f[5] != "L") || !ToInt(f[3], s.centerCode) || !ToInt(f[4], s.storeCode) ||
        !ToInt(f[6], s.empCode) || !ToInt(f[7], s.targetType) || !ToInt(f[8], s.callSent) ||
        !ToInt(f[11], count) || count < 0 || s.centerCode < 1 || !Unescape(f[9], s.reservation) ||
        !Unescape(f[10], s.callback) || !Digits(s.callback) || !Unescape(f[12], s.sentAt) ||
        !IsSendTime(s.sentAt) || !ToInt(f[13], all) || (all != 0 && all != 1) ||
        !ToInt(f[14], s.mobileDays) || !ToInt(f[15], s.allUser) || (disputed && !Unescape(f[16], s.reason)))
        return false;
    s.allMembers = all == 1;
    s.phase = static_cast<PendingSend::Phase>(f[1][0]);
    s.lms = f[5] == "L";
    return true;
}

} // namespace

bool SendState::Parse(const std::string& text, std::vector<PendingSend>& sends) {
    sends.clear();
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            return false; // a line cut short: the write did not finish
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    if (lines.size() < 2 ||
        (lines.front() != kMagic && lines.front() != kMagicV2 && lines.front() != kMagicV1) ||
        lines.back() != "END")
        return false;
    const bool v1 = lines.front() == kMagicV1;
    const bool v3 = lines.front() == kMagic;
    size_t i = 1;
    while (i + 1 < lines.size()) {
        PendingSend s;
        int32_t count = 0;
        if (!ParseSendLine(SplitTabs(lines[i]), v1, s, count))
            return false;
        if (++i >= lines.size() - 1 || lines[i].rfind("MSG\t", 0) != 0 ||
            !Unescape(lines[i].substr(4), s.message))
            return false;
        s.identityKnown = v3;
        if (v3) {
            if (++i >= lines.size() - 1)
                return false;
            const auto idn = SplitTabs(lines[i]);
            if (idn.size() != 3 || idn[0] != "IDN" || !Unescape(idn[1], s.title) ||
                !Unescape(idn[2], s.picture))
                return false;
        }
        for (int32_t k = 0; k < count; ++k) {
            if (++i >= lines.size() - 1)
                return false;
            const auto r = SplitTabs(lines[i]);
            SentRecipient rec;
            if (r.size() != 3 || r[0] != "R" || !ToInt(r[1], rec.ref) || !Unescape(r[2], rec.phone))
                return false;
            s.recipients.push_back(std::move(rec));
        }
        ++i;
        sends.push_back(std::move(s));
    }
    return true;
}

void SendState::RemoveStalePrepared() const {
    // A process killed while its batches were posted leaves its prepared file behind, megabytes
    // that nothing will use: the files of processes no longer running go.
    const size_t slash = m_path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : m_path.substr(0, slash);
    const std::string stem = m_path.substr(slash == std::string::npos ? 0 : slash + 1) + ".next";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= stem.size() || name.compare(0, stem.size(), stem) != 0)
            continue;
        const std::string digits = name.substr(stem.size());
        if (digits.size() > 9 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(digits));
        if (pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH) {
            std::error_code removed;
            std::filesystem::remove(entry.path(), removed);
            WriteLog(zmsg::K("끝나지 않은 전송의 임시 파일 삭제: ") + entry.path().string(), 0);
        }
    }
}

void SendState::Load() {
    m_own.clear();
    RemoveStalePrepared();
    {
        std::lock_guard lock(g_memoryMutex);
        const auto it = MemoryCopies().find(m_path);
        if (it != MemoryCopies().end()) {
            m_sends = it->second;
            return;
        }
    }
    m_sends.clear();
    std::string text;
    bool missing = false;
    if (!ReadFile(m_path, text, missing)) {
        if (!missing)
            WriteLog(zmsg::K("전송상태 파일을 읽을 수 없습니다: ") + m_path, 1);
        return;
    }
    if (!Parse(text, m_sends)) {
        m_sends.clear();
        const std::string aside = m_path + ".bad";
        std::rename(m_path.c_str(), aside.c_str());
        WriteLog(zmsg::K("전송상태 파일이 손상되어 무시합니다: ") + aside, 1);
    }
}

bool SendState::Owns(SendKind kind, int64_t centerCode) const {
    return std::find(m_own.begin(), m_own.end(), std::make_pair(kind, centerCode)) != m_own.end();
}

bool SendState::ReadOthers(std::vector<PendingSend>& others) const {
    std::string text;
    bool missing = false;
    std::vector<PendingSend> file;
    if (!ReadFile(m_path, text, missing)) {
        if (!missing)
            return false;
    } else if (!Parse(text, file)) {
        return false;
    }
    others.clear();
    for (PendingSend& f : file)
        if (!Owns(f.kind, f.centerCode))
            others.push_back(std::move(f));
    return true;
}

bool SendState::MergeWithFile(std::vector<PendingSend>& merged) const {
    if (!ReadOthers(merged))
        return false;
    for (const PendingSend& s : m_sends)
        if (Owns(s.kind, s.centerCode))
            merged.push_back(s);
    return true;
}

bool SendState::Save() {
    Discard();
    const FileLock lock(m_path);
    // Unreadable (or this process's own copy is the truth after a failed write): this object's view.
    std::vector<PendingSend> merged;
    bool ownCopy;
    {
        std::lock_guard memory(g_memoryMutex);
        ownCopy = MemoryCopies().count(m_path) != 0;
    }
    if (!ownCopy && MergeWithFile(merged))
        m_sends = std::move(merged);
    bool ok;
    if (m_sends.empty())
        ok = std::remove(m_path.c_str()) == 0 || errno == ENOENT;
    else
        ok = WriteFileAtomically(m_path, Serialize(m_sends));
    return Settle(ok);
}

bool SendState::Settle(bool written) {
    std::lock_guard lock(g_memoryMutex);
    if (written) {
        MemoryCopies().erase(m_path);
    } else {
        MemoryCopies()[m_path] = m_sends;
        WriteLog(zmsg::K("전송상태 파일을 기록할 수 없습니다: ") + m_path, 1);
    }
    return written;
}

std::string SendState::PreparedPath() const {
    // Of this process alone: a prepared file may wait for seconds, and another process's Save must
    // not write into it meanwhile.
    return m_path + ".next" + std::to_string(::getpid());
}

void SendState::Prepare() {
    m_prepared = !m_sends.empty() && WriteSynced(PreparedPath(), Serialize(m_sends));
}

bool SendState::Commit() {
    if (!m_prepared)
        return Save();
    {
        // The prepared file is put in place only while it still holds everything: when another
        // process changed the file meanwhile, the entries are merged and written afresh.
        const FileLock lock(m_path);
        std::vector<PendingSend> others;
        if (ReadOthers(others) &&
            SameEntries(others, m_sends,
                        [this](const PendingSend& s) { return !Owns(s.kind, s.centerCode); }) &&
            PutInPlace(PreparedPath(), m_path)) {
            m_prepared = false;
            return Settle(true);
        }
    }
    return Save();
}

void SendState::Discard() {
    if (m_prepared)
        std::remove(PreparedPath().c_str());
    m_prepared = false;
}

const PendingSend* SendState::FindUnknown(SendKind kind) const {
    for (const PendingSend& s : m_sends)
        if (s.kind == kind &&
            (s.phase == PendingSend::Phase::Unknown || s.phase == PendingSend::Phase::Disputed))
            return &s;
    return nullptr;
}

const PendingSend* SendState::Find(int64_t centerCode, SendKind kind) const {
    for (const PendingSend& s : m_sends)
        if (s.kind == kind && s.centerCode == centerCode)
            return &s;
    return nullptr;
}

void SendState::Put(PendingSend send) {
    Discard();
    if (!Owns(send.kind, send.centerCode))
        m_own.emplace_back(send.kind, send.centerCode);
    for (PendingSend& s : m_sends)
        if (s.kind == send.kind && s.centerCode == send.centerCode) {
            s = std::move(send);
            return;
        }
    m_sends.push_back(std::move(send));
}

void SendState::Remove(int64_t centerCode, SendKind kind) {
    Discard();
    if (!Owns(kind, centerCode))
        m_own.emplace_back(kind, centerCode);
    std::erase_if(m_sends,
                  [&](const PendingSend& s) { return s.kind == kind && s.centerCode == centerCode; });
}

bool SendState::Exists(const std::string& path) {
    {
        std::lock_guard lock(g_memoryMutex);
        if (MemoryCopies().count(path) != 0)
            return true;
    }
    return ::access(path.c_str(), F_OK) == 0;
}

bool SendState::Current(const std::string& path, std::vector<PendingSend>& sends) {
    {
        std::lock_guard lock(g_memoryMutex);
        const auto it = MemoryCopies().find(path);
        if (it != MemoryCopies().end()) {
            sends = it->second;
            return true;
        }
    }
    sends.clear();
    std::string text;
    bool missing = false;
    if (!ReadFile(path, text, missing))
        return missing;
    if (!Parse(text, sends)) {
        // As Load does: a damaged file is never trusted, and kept aside for whoever looks into it.
        sends.clear();
        const std::string aside = path + ".bad";
        if (std::rename(path.c_str(), aside.c_str()) != 0)
            return false;
        WriteLog(zmsg::K("전송상태 파일이 손상되어 무시합니다: ") + aside, 1);
    }
    return true;
}

bool SendState::Move(const std::string& from, const std::string& into) {
    // Both files under their locks, always taken in the same order: two processes moving between the
    // same two places wait for each other instead of locking each other out.
    const bool fromFirst = from < into;
    const FileLock first(fromFirst ? from : into);
    const FileLock second(fromFirst ? into : from);
    std::vector<PendingSend> moving;
    std::vector<PendingSend> kept;
    if (!Current(from, moving) || !Current(into, kept))
        return false;
    // An entry both hold is the same send (a move cut short after its write): the target's copy is
    // the one processes here have been working on.
    for (PendingSend& s : moving)
        if (std::none_of(kept.begin(), kept.end(), [&](const PendingSend& k) {
                return k.kind == s.kind && k.centerCode == s.centerCode;
            }))
            kept.push_back(std::move(s));
    // The target first, synced; only then is the source dropped: a crash in between leaves the entries
    // in both places, and the next move finds them already there.
    if (!kept.empty() && !WriteFileAtomically(into, Serialize(kept)))
        return false;
    {
        std::lock_guard lock(g_memoryMutex);
        MemoryCopies().erase(into);
        MemoryCopies().erase(from);
    }
    if (std::remove(from.c_str()) != 0 && errno != ENOENT)
        return false;
    WriteLog(zmsg::K("전송상태 파일을 데이터 폴더로 옮겼습니다: ") + from + " -> " + into, 0);
    return true;
}

#include "sim/smmsstate.h"

#include <cctype>
#include <cstdint>
#include <map>

#include <QByteArray>
#include <QCryptographicHash>

#include "sim/json.h"
#include "sim/replytext.h"

namespace zmsg::sim {

namespace {

// "YYYY-MM-DD HH:MM"
bool IsPopupTime(const std::string& pop) {
    if (pop.size() != 16)
        return false;
    for (size_t i = 0; i < pop.size(); ++i) {
        const char want = i == 4 || i == 7 ? '-' : i == 10 ? ' ' : i == 13 ? ':' : '0';
        if (want == '0' ? !std::isdigit(static_cast<unsigned char>(pop[i])) : pop[i] != want)
            return false;
    }
    return true;
}

} // namespace

SmmsState::SmmsState(CenterState& center) : m_center(center) {}

std::optional<std::string> SmmsState::HandleLocked(const std::string& work, const FormFields& f) {
    if (work == "SMMSBEGIN")
        return Begin(f);
    if (work == "SMMSTRAN") {
        SmmsMessage* m = Find(f);
        if (!m)
            return Fail("전송정보가 없습니다.(ml=" + FieldOf(f, "ml") + ")");
        return CenterState::AddBatch(*m, f, "tran");
    }
    if (work == "SMMSEND")
        return End(f);
    if (work == "SMMSRESULT")
        return Result(f);
    return std::nullopt;
}

SmmsMessage* SmmsState::Find(const FormFields& f) {
    const auto ml = Number(FieldOf(f, "ml"));
    const auto it = ml ? m_messages.find(*ml) : m_messages.end();
    if (it == m_messages.end() || std::to_string(it->second.mart) != FieldOf(f, "mart"))
        return nullptr;
    return &it->second;
}

std::string SmmsState::Begin(const FormFields& f) {
    const auto mart = Number(FieldOf(f, "mart"));
    const auto it = mart ? m_center.m_stores.find(static_cast<int>(*mart)) : m_center.m_stores.end();
    if (it == m_center.m_stores.end() || !it->second.hasAppAccount)
        return Fail("AlderS 전송용 계정이 없습니다.");
    if (FieldOf(f, "tt").empty() || FieldOf(f, "msg").empty())
        return Fail("제목이나 내용이 없습니다.");
    if (!AllDigits(FieldOf(f, "cb"), 1, 20))
        return Fail("발신번호 형식이 올바르지 않습니다.");
    const auto call = Number(FieldOf(f, "call"));
    if (!call || *call < 0)
        return Fail("전송대상 건수가 올바르지 않습니다.");
    const std::string pop = FieldOf(f, "pop");
    if (!pop.empty() && !IsPopupTime(pop))
        return Fail("팝업예약일시 형식이 올바르지 않습니다.(pop=" + pop + ")");
    SmmsMessage m;
    m.code = m_nextMl++;
    m.mart = it->second.code;
    m.kind = "APP";
    m.begin = f;
    m.announced = static_cast<int>(*call);
    m.begunAt = m_center.Now();
    m.title = FieldOf(f, "tt");
    m.body = FieldOf(f, "msg");
    m.pop = pop;
    m_messages[m.code] = m;
    return "1:" + Tag("ML", m.code);
}

std::string SmmsState::End(const FormFields& f) {
    SmmsMessage* m = Find(f);
    if (!m)
        return Fail("전송정보가 없습니다.(ml=" + FieldOf(f, "ml") + ")");
    ++m->endRequests;
    if (m->ended)
        return m_center.m_refuseRepeatedEnd ? Fail("이미 완료된 전송입니다.(ml=" + FieldOf(f, "ml") + ")")
                                            : m->endReply;
    const bool allUser = FieldOf(f, "alluser") == "1";
    const auto m2date = Number(FieldOf(f, "m2date"));
    if (allUser && (!m2date || *m2date < 0))
        return Fail("모바일 접속기간이 올바르지 않습니다.(m2date=" + FieldOf(f, "m2date") + ")");
    if (!allUser && m->batches.empty())
        return Fail("전송대상이 없습니다.");
    Store& store = m_center.m_stores[m->mart];
    int sent = 0;
    m->recipients = m_center.Deliver(*m, sent);
    m->allUser = allUser ? store.regularAppMembers : 0;
    m->m2date = m2date ? static_cast<int>(*m2date) : -1;
    m->sent = sent + m->allUser;
    m->ended = true;
    ++m->completions;
    m->endedAt = m_center.Now();
    m->resultsFrom = m->endedAt + std::chrono::seconds(m_center.m_resultDelaySeconds);
    m_center.Book(store, "AlderS 전송 " + std::to_string(m->sent) + "건 (ML=" + std::to_string(m->code) + ")",
                  0);
    m->endReply = "1:" + Tag("CALL_SENT", m->sent) + Tag("ALL_USER", m->allUser);
    return m->endReply;
}

std::string SmmsState::Result(const FormFields& f) {
    SmmsMessage* m = Find(f);
    if (!m)
        return Fail("전송정보가 없습니다.(ml=" + FieldOf(f, "ml") + ")");
    if (!m->ended)
        return Fail("완료되지 않은 전송입니다.");
    if (m_center.Now() < m->resultsFrom)
        return "1:";
    return "1:" + CenterState::JoinResults(m->recipients, false);
}

std::string SmmsState::UploadLocked(const UploadParts& parts) {
    SmmsUpload up;
    up.index = static_cast<int>(m_uploads.size()) + 1;
    up.extinfo = parts.textValue;
    up.hasFile = parts.hasFile;
    up.fileName = parts.fileName;
    up.size = parts.fileBytes.size();
    if (parts.hasFile)
        up.sha256 = Sha256Hex(parts.fileBytes);

    auto answer = [&](std::string reply, bool accepted) {
        up.reply = reply;
        up.accepted = accepted;
        m_uploads.push_back(up);
        return reply;
    };
    if (!parts.ok)
        return answer(Fail("업로드 형식이 올바르지 않습니다.(" + parts.error + ")"), false);
    if (!parts.hasText || parts.textField != "extinfo")
        return answer(Fail("extinfo가 없습니다."), false);
    const std::string& ext = parts.textValue;
    const size_t a = ext.find("#@#");
    const size_t b = a == std::string::npos ? a : ext.find("#@#", a + 3);
    if (b == std::string::npos)
        return answer(Fail("extinfo 형식이 올바르지 않습니다."), false);
    const auto ml = Number(ext.substr(0, a));
    const auto box = Number(ext.substr(a + 3, b - a - 3));
    const auto img = Number(ext.substr(b + 3));
    up.ml = ml.value_or(0);
    up.box = static_cast<int>(box.value_or(0));
    up.image = static_cast<int>(img.value_or(0));
    const auto it = ml ? m_messages.find(*ml) : m_messages.end();
    if (it == m_messages.end() || !box || !img)
        return answer(Fail("전송정보가 없습니다.(ml=" + ext.substr(0, a) + ")"), false);
    SmmsMessage& m = it->second;
    if (m.ended)
        return answer(Fail("이미 완료된 전송입니다."), false);
    if (parts.hasFile) {
        if (parts.fileField != "uploadedfile" || parts.fileBytes.empty())
            return answer(Fail("이미지 파일이 없습니다."), false);
        m.imageName = parts.fileName;
        m.imageBytes = parts.fileBytes;
        m.imageBox = m.imageNumber = 0;
        ++m.pictures;
        return answer("1:" + Tag("FILE", parts.fileName) +
                          Tag("SIZE", static_cast<long long>(parts.fileBytes.size())),
                      true);
    }
    if (*box < 1 || *img < 1 || *box > INT32_MAX || *img > INT32_MAX)
        return answer(Fail("이미지보관함에 없는 이미지입니다."), false);
    m.imageBox = static_cast<int>(*box);
    m.imageNumber = static_cast<int>(*img);
    m.imageName.clear();
    m.imageBytes.clear();
    ++m.pictures;
    return answer("1:" + Tag("BOX", *box) + Tag("IMG", *img), true);
}

void SmmsState::ResetLocked() {
    m_messages.clear();
    m_uploads.clear();
    m_nextMl = kFirstMl;
}

void SmmsState::SetNextMessageListCodeLocked(long long code) {
    m_nextMl = code;
}

std::optional<SmmsMessage> SmmsState::Message(long long ml) const {
    std::lock_guard lock(m_center.m_mutex);
    const auto it = m_messages.find(ml);
    return it == m_messages.end() ? std::nullopt : std::optional<SmmsMessage>(it->second);
}

std::vector<SmmsMessage> SmmsState::MessagesOf(int mart) const {
    std::lock_guard lock(m_center.m_mutex);
    std::vector<SmmsMessage> out;
    for (const auto& [ml, m] : m_messages)
        if (m.mart == mart)
            out.push_back(m);
    return out;
}

std::vector<SmmsUpload> SmmsState::Uploads() const {
    std::lock_guard lock(m_center.m_mutex);
    return m_uploads;
}

std::vector<std::pair<std::string, int>> SmmsState::ListedPhones(const SmmsMessage& message) {
    std::vector<std::pair<std::string, int>> out;
    std::map<std::string, size_t> at;
    for (const auto& [seq, batch] : message.batches)
        for (const std::string& element : batch) {
            const std::string phone = PhoneOf(element);
            const auto [it, added] = at.emplace(phone, out.size());
            if (added)
                out.emplace_back(phone, 1);
            else
                ++out[it->second].second;
        }
    return out;
}

std::string SmmsState::Sha256Hex(const std::string& bytes) {
    return QCryptographicHash::hash(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                    QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

void SmmsState::MessagesJsonLocked(std::string& out) const {
    bool first = true;
    for (const auto& [ml, m] : m_messages) {
        out += first ? "\n" : ",\n";
        first = false;
        size_t listed = 0;
        for (const auto& [seq, b] : m.batches)
            listed += b.size();
        // The ML also as text: a JSON reader that keeps numbers in doubles is exact only to 2^53.
        out += "{\"code\":" + std::to_string(ml) + ",\"ml\":\"" + std::to_string(ml) + "\"" +
               ",\"mart\":" + std::to_string(m.mart) + ",\"kind\":\"APP\"" +
               ",\"title\":" + JsonString(m.title) + ",\"body\":" + JsonString(m.body) +
               ",\"pop\":" + JsonString(m.pop) + ",\"announced\":" + std::to_string(m.announced) +
               ",\"batches\":" + std::to_string(m.batches.size()) + ",\"listed\":" + std::to_string(listed) +
               ",\"recipients\":[";
        bool firstR = true;
        for (const auto& [phone, count] : ListedPhones(m)) {
            out += firstR ? "" : ",";
            firstR = false;
            out += "{\"phone\":" + JsonString(phone) + ",\"count\":" + std::to_string(count) + "}";
        }
        out += std::string("],\"ended\":") + (m.ended ? "true" : "false") + ",\"cancelled\":false" +
               ",\"completed\":" + std::to_string(m.completions) +
               ",\"endRequests\":" + std::to_string(m.endRequests) + ",\"sent\":" + std::to_string(m.sent) +
               ",\"allUser\":" + std::to_string(m.allUser) + ",\"m2date\":" + std::to_string(m.m2date) +
               ",\"charged\":0" + ",\"pictures\":" + std::to_string(m.pictures) +
               ",\"imageName\":" + JsonString(m.imageName) +
               ",\"imageSize\":" + std::to_string(m.imageBytes.size()) + ",\"imageSha256\":" +
               JsonString(m.imageBytes.empty() ? std::string() : Sha256Hex(m.imageBytes)) +
               ",\"imageBox\":" + std::to_string(m.imageBox) +
               ",\"imageNumber\":" + std::to_string(m.imageNumber) + "}";
    }
}

void SmmsState::UploadsJsonLocked(std::string& out) const {
    bool first = true;
    for (const SmmsUpload& u : m_uploads) {
        out += first ? "\n" : ",\n";
        first = false;
        out += "{\"index\":" + std::to_string(u.index) + ",\"ml\":\"" + std::to_string(u.ml) + "\"" +
               ",\"extinfo\":" + JsonString(u.extinfo) + ",\"hasFile\":" + (u.hasFile ? "true" : "false") +
               ",\"name\":" + JsonString(u.fileName) + ",\"size\":" + std::to_string(u.size) +
               ",\"sha256\":" + JsonString(u.sha256) + ",\"box\":" + std::to_string(u.box) +
               ",\"image\":" + std::to_string(u.image) + ",\"accepted\":" + (u.accepted ? "true" : "false") +
               ",\"reply\":" + JsonString(u.reply) + "}";
    }
}

} // namespace zmsg::sim

#include "compose/composition.h"

#include <cstdio>

#include <QDateTime>
#include <QList>
#include <QString>
#include <initializer_list>

#include "frame/clock.h"
#include "frame/log.h"
#include "frame/messagebox.h"
#include "text/codec.h"

using zmsg::K;

namespace {

std::string WithoutHyphens(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != '-')
            out += c;
    return out;
}

// Replaces each "%s" in order; the store texts may hold '%' themselves, so no printf here.
std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> values) {
    std::string out;
    auto value = values.begin();
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' && value != values.end()) {
            out += *value++;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

bool StartsWithAdMark(std::string_view text) {
    static const std::string mark = K("(광고)");
    return text.substr(0, mark.size()) == mark;
}

// Asks one rule's question; true on Yes.
bool GoOn(const std::string& question, QWidget* parent) {
    return ShowMessageBox(question + K("\n메시지 발송을 계속 진행하시겠습니까?"), kQuestionNoDefault, 0, 0,
                          parent) == IDYES;
}

} // namespace

MessageCount CountMessage(std::string_view text, bool lms) {
    MessageCount count;
    count.length = static_cast<int>(NormalizeLineEnds(text).size());
    count.limit = lms ? kLmsLimit : kSmsLimit;
    count.over = count.length > count.limit;
    return count;
}

std::string CounterText(const MessageCount& count) {
    char text[32];
    std::snprintf(text, sizeof text, "%d/%d", count.length, count.limit);
    return text;
}

AdTemplates MakeAdTemplates(const std::string& storeName, const std::string& storePhone,
                            const std::string& optOutNumber) {
    AdTemplates t;
    t.full = Fill(K("(광고)\n\n%s\n☏ %s\n\n무료수신거부\n%s"), {storeName, storePhone, optOutNumber});
    t.brief = Fill(K("(광고)\n\n%s\n%s\n\n무료수신거부\n%s"), {storeName, storePhone, optOutNumber});
    t.subject = Fill(K("(광고)%s"), {storeName});
    return t;
}

void ApplyAdTemplate(bool lms, const AdTemplates& templates, std::string& text, std::string& subject) {
    if (lms) {
        if (text.empty() || text == templates.brief)
            text = templates.full;
        if (subject.empty())
            subject = templates.subject;
    } else if (text.empty() || text == templates.full) {
        text = templates.brief;
    }
}

std::string RefusalNotice(const std::string& storeName) {
    return Fill(K("{요청일} 요청하신 수신거부가 정상적으로 처리되었습니다.\n-%s-"), {storeName});
}

bool IsNightTime(const QDateTime& when) {
    const int hour = when.time().hour();
    return hour >= 21 || hour < 8;
}

bool IsAdvertising(std::string_view message, std::string_view subject) {
    return StartsWithAdMark(message) || StartsWithAdMark(subject);
}

std::string NightAdQuestion(const QDateTime& when) {
    const std::string at = when.toString(QStringLiteral("M월 d일 HH:mm")).toStdString();
    return K(at) + K("에 받게 되는 이 광고 메시지의 수신자 모두가 야간(21시~다음날 08시) 광고 수신에 "
                     "별도로 동의했습니까?");
}

bool CheckNightAdvertising(std::string_view message, std::string_view subject,
                           const std::optional<QDateTime>& reservation, QWidget* parent) {
    if (!IsAdvertising(message, subject))
        return true;
    const QDateTime when = reservation ? *reservation : zmsg::Clock::now();
    if (!IsNightTime(when))
        return true;
    const std::string question = NightAdQuestion(when);
    const bool yes = ShowMessageBox(question, kQuestionNoDefault, 0, 0, parent) == IDYES;
    WriteLog(K("야간 광고 수신동의 확인: ") + question + (yes ? K(" -> 예") : K(" -> 아니오")), 0);
    return yes;
}

bool ContainsText(std::string_view text, std::string_view part) {
    if (part.empty())
        return false;
    for (size_t i = 0; i + part.size() <= text.size(); i += zmsg::Cp949CharLen(text, i))
        if (text.compare(i, part.size(), part) == 0)
            return true;
    return false;
}

bool CheckAdRules(const AdRuleInput& in, QWidget* parent) {
    if (in.lms && !in.subject.empty() && !StartsWithAdMark(in.subject) &&
        !GoOn(K("메시지 제목은 \"(광고)\" 문구로 시작해야 합니다."), parent))
        return false;
    if (!StartsWithAdMark(in.message) && !GoOn(K("메시지는 \"(광고)\" 문구로 시작해야 합니다."), parent))
        return false;
    if (!ContainsText(in.message, in.storeName) &&
        !GoOn(Fill(K("메시지에 매장상호(%s)가 들어가야 합니다."), {in.storeName}), parent))
        return false;

    // Numbers count however they are written: with or without hyphens.
    const std::string message = WithoutHyphens(in.message);
    if (!ContainsText(message, WithoutHyphens(in.storePhone)) &&
        !GoOn(Fill(K("메시지에 매장전화번호(%s)가 들어가야 합니다."), {in.storePhone}), parent))
        return false;
    if (!ContainsText(message, K("무료수신거부")) && !ContainsText(message, K("무료거부")) &&
        !GoOn(K("메시지에 \"무료수신거부\" 또는 \"무료거부\" 문구가 들어가야 합니다."), parent))
        return false;
    if (!ContainsText(message, WithoutHyphens(in.optOutNumber)) &&
        !GoOn(Fill(K("메시지에 수신동의 철회용 전화번호(%s)가 들어가야 합니다."), {in.optOutNumber}), parent))
        return false;
    return true;
}

std::string NormalizeMessage(std::string_view text) {
    std::string out = NormalizeLineEnds(text);
    const size_t end = out.find_last_not_of(" \t\r\n");
    out.erase(end == std::string::npos ? 0 : end + 1);
    for (char& c : out)
        if (c == '\'')
            c = '"';
    return out;
}

std::string UnencodableText(const std::vector<std::string>& badChars) {
    std::string points;
    for (const std::string& c : badChars) {
        for (char32_t u : QString::fromUtf8(c.data(), static_cast<qsizetype>(c.size())).toUcs4()) {
            char text[16];
            std::snprintf(text, sizeof text, "%sU+%04X", points.empty() ? "" : " ", static_cast<unsigned>(u));
            points += text;
        }
    }
    return zmsg::K("문자메시지로 보낼 수 없는 문자가 있어 입력하지 않았습니다.\n(") + points + ")";
}

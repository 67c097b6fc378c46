#include "members/recipientlist.h"

#include <algorithm>
#include <cstdio>

#include "center/vexglobal.h"
#include "text/codec.h"

using zmsg::K;

int RecipientList::AddRecipient(int32_t code, std::string_view name, std::string_view phone,
                                std::string_view text3, std::string_view text4, std::string_view appDate) {
    const bool threeFail = phone.substr(0, 3) == "***";
    std::string digits = CvexGlobal::GetNumberOnlyString(phone);
    if (digits.size() < 9 || digits.size() > 14 || digits.compare(0, 2, "01") != 0)
        return BadFormat;
    if (FindPhone(digits) >= 0)
        return Duplicate;

    Recipient row;
    row.code = code;
    row.name.assign(name);
    row.phone = std::move(digits);
    row.text3.assign(text3);
    row.text4.assign(text4);
    row.appDate.assign(appDate);
    if (threeFail)
        row.remark = K("3회수신실패");
    row.checked = !threeFail;
    Append(std::move(row));
    return threeFail ? AddedUnchecked : Added;
}

int RecipientList::AddAppRecipient(int32_t code, std::string_view name, std::string_view phone,
                                   std::string_view points, std::string_view appDate, bool manual) {
    const bool threeFail = phone.substr(0, 3) == "***";
    std::string digits = CvexGlobal::GetNumberOnlyString(phone);
    if (digits.size() < 9 || digits.size() > 14)
        return BadFormat;
    if (FindPhone(digits) >= 0)
        return Duplicate;
    std::string_view date = appDate;
    while (!date.empty() && (date.front() == ' ' || date.front() == '\t'))
        date.remove_prefix(1);
    while (!date.empty() && (date.back() == ' ' || date.back() == '\t'))
        date.remove_suffix(1);
    if (!manual && date.size() < 10)
        return NoApp;

    Recipient row;
    row.code = code;
    row.name.assign(name);
    row.phone = std::move(digits);
    row.text3.assign(points);
    if (!manual)
        row.appDate.assign(date);
    if (threeFail)
        row.remark = K("3회수신실패");
    else if (manual)
        row.remark = K("수동추가");
    row.checked = !threeFail;
    Append(std::move(row));
    return threeFail ? AddedUnchecked : Added;
}

void RecipientList::Append(Recipient row) {
    if (row.appDate.size() >= 10)
        m_appSignalSeen = true;
    m_byPhone.emplace(row.phone, m_rows.size());
    m_rows.push_back(std::move(row));
}

int RecipientList::FindPhone(std::string_view digits) const {
    const auto it = m_byPhone.find(std::string(digits));
    return it == m_byPhone.end() ? -1 : static_cast<int>(it->second);
}

// The app-signal flag belongs to the dialog's lifetime, so emptying the list leaves it raised.
void RecipientList::Clear() {
    m_rows.clear();
    m_byPhone.clear();
}

void RecipientList::SetAllChecked(bool checked) {
    for (Recipient& row : m_rows)
        row.checked = checked;
}

void RecipientList::RemoveRows(const std::vector<size_t>& indexes) {
    std::vector<bool> drop(m_rows.size(), false);
    for (size_t i : indexes)
        if (i < drop.size())
            drop[i] = true;
    size_t kept = 0;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (drop[i])
            continue;
        // A row moved onto itself would lose its texts.
        if (kept != i)
            m_rows[kept] = std::move(m_rows[i]);
        ++kept;
    }
    m_rows.resize(kept);
    m_byPhone.clear();
    for (size_t i = 0; i < m_rows.size(); ++i)
        m_byPhone.emplace(m_rows[i].phone, i); // emplace keeps the first row of a number
}

std::string RecipientList::PhoneFormatQuestion() const {
    int bad = 0;
    std::string question;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (!m_rows[i].checked)
            continue;
        const std::string digits = CvexGlobal::GetNumberOnlyString(m_rows[i].phone);
        if (digits.size() >= 10 && digits[0] == '0')
            continue;
        if (++bad == 1) {
            char buf[128];
            std::snprintf(buf, sizeof buf, K("%d번째 전화번호(%s)").c_str(), static_cast<int>(i + 1),
                          digits.c_str());
            question = buf;
        }
    }
    if (bad == 0)
        return {};
    if (bad > 1) {
        char buf[64];
        std::snprintf(buf, sizeof buf, K("외 %d건의 전화번호").c_str(), bad - 1);
        question += buf;
    }
    question += K("가 형식이 올바르지 않습니다.\n\n계속하시겠습니까?");
    return question;
}

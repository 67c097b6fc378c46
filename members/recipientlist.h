// The SMS dialog's recipients: adding with number checks and de-duplication, and what the send reads.
// Rows are 0-based here; the grid shows row i as grid row i + 1.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "center/send/cellforpost.h"
#include "members/recipient.h"

class RecipientList {
public:
    enum AddResult : int { Added = 0, AddedUnchecked = 1, BadFormat = 2, Duplicate = 3, NoApp = 4 };

    // Checks and adds one recipient: "***" in front marks three failed deliveries (added unchecked),
    // the number keeps its digits only, 9 to 14 digits beginning "01", the first row with a number wins.
    int AddRecipient(int32_t code, std::string_view name, std::string_view phone, std::string_view text3,
                     std::string_view text4, std::string_view appDate);
    // The app-message variant: any 9 to 14 digits (an app user is known by the app, not by the number's
    // prefix); a member without an app-signal date of 10 characters (trimmed) is NoApp. A row typed by
    // hand (manual) has no date and carries the remark "수동추가".
    int AddAppRecipient(int32_t code, std::string_view name, std::string_view phone, std::string_view points,
                        std::string_view appDate, bool manual);
    // Index of the row whose number is exactly these digits, or -1.
    int FindPhone(std::string_view digits) const;

    size_t size() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }
    Recipient& operator[](size_t i) { return m_rows[i]; }
    const Recipient& operator[](size_t i) const { return m_rows[i]; }
    const std::vector<Recipient>& rows() const { return m_rows; }
    void Clear();
    void SetAllChecked(bool checked);
    // Removes the rows at these indexes (after a send); the number index follows.
    void RemoveRows(const std::vector<size_t>& indexes);

    // Raised the first time a row with an app-signal date of 10 or more characters is added.
    bool AppSignalSeen() const { return m_appSignalSeen; }

    // Before a send: the question to ask about checked rows whose number is not well formed
    // ("%d번째 전화번호(%s)..."), or empty when every checked number is well formed.
    std::string PhoneFormatQuestion() const;

private:
    void Append(Recipient row);

    std::vector<Recipient> m_rows;
    std::unordered_map<std::string, size_t> m_byPhone; // first row of each number
    bool m_appSignalSeen = false;
};

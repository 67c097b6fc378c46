// Recipients pasted from the clipboard: text copied from a spreadsheet or typed lists.
#pragma once

#include <string>
#include <vector>

#include <QString>

#include "members/recipientlist.h"

struct PasteResult {
    int total = 0;                     // lines read
    int added = 0;                     // lines with a number, handed to AddRecipient
    int firstNewRow = -1;              // index of the first row the paste appended, -1 when none
    std::vector<int> unencodableLines; // 1-based lines holding characters a text message cannot carry
};

// Splits the text into lines and fields (tab-separated when it holds a tab anywhere, else ','),
// and adds every line that has a number. Lines with characters CP949 cannot hold are not added.
PasteResult PasteRecipients(const QString& clipboardText, RecipientList& list);
// The message after a paste ("붙여넣기 입력데이터 ..."), with the unencodable lines named. refused: of
// the added lines, those left out afterwards as numbers that refused advertising.
std::string PasteSummaryMessage(const PasteResult& result, int refused = 0);

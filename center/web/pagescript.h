// Calling a page function the way every page expects: one empty-string argument, and only a string
// result counts. A missing function gives an empty value; a script error, a page that is gone or a
// value that code page 949 cannot hold makes the caller do nothing at all.
#pragma once

#include <string>
#include <vector>

#include <QString>
#include <QVariant>

namespace zmsg {

enum class PageCallStatus {
    Ok,
    ScriptError, // the function threw
    Unencodable, // the value holds characters a text message cannot carry (badChars)
    NoPage,      // no answer from the page (its renderer is gone, the view was destroyed)
};

struct PageValues {
    PageCallStatus status = PageCallStatus::Ok;
    // CP949, one per function name; "" for a missing function or a result that is not a string.
    std::vector<std::string> values;
    std::vector<std::string> badChars; // UTF-8
    std::string error;                 // the script's own message, for the log
    bool ok() const { return status == PageCallStatus::Ok; }
};

// The script run in the page for one function; names that are not plain identifiers are never
// looked up (they count as missing).
QString PageFunctionScript(const std::string& name);

// One call's outcome from what the script handed back; the value is appended to out->values.
void ReadPageFunctionResult(const QVariant& result, PageValues* out);

} // namespace zmsg

#include "combined/combinedsend.h"

#include "center/vexglobal.h"
#include "compose/composition.h"
#include "frame/log.h"
#include "smms/smmssend.h"
#include "text/codec.h"

using zmsg::K;

std::string CombinedTitle(const std::string& lmsTitle, const std::string& storeName) {
    const size_t first = lmsTitle.find_first_not_of(" \t\r\n");
    std::string title = first == std::string::npos
                            ? std::string()
                            : lmsTitle.substr(first, lmsTitle.find_last_not_of(" \t\r\n") - first + 1);
    for (char& c : title)
        if (c == '\'')
            c = '"';
    if (title.empty())
        title = K("(광고)") + storeName;
    if (title.size() > 100)
        title = CvexGlobal::TruncateHangul(title, 100);
    return title;
}

SendIdentity CombinedIdentity(const CombinedAppInput& in) {
    SendIdentity id;
    id.kind = SendKind::App;
    id.title = CombinedTitle(in.lmsTitle, in.storeName);
    id.message = NormalizeMessage(in.message);
    id.picture = PictureIdentity(in.imagePath, 0, 0);
    return id;
}

CombinedAppResult SendCombined(CSQLDirect& db, const CombinedAppInput& in, const SmsPartDone& smsPart,
                               ProgressHooks progress) {
    CombinedAppResult out;
    out.unsettled = in.ownUnsettled;
    // Only the rows the recount gave to the app; `index` maps them back to the dialog's rows.
    std::vector<size_t> index;
    SmmsSendInput app;
    for (size_t i = 0; i < in.rows.size(); ++i) {
        const Recipient& r = in.rows[i];
        if (!r.checked || !r.byApp)
            continue;
        SmmsRow row;
        row.code = r.code;
        row.phone = r.phone;
        row.name = r.name;
        row.points = r.text3;
        app.rows.push_back(std::move(row));
        index.push_back(i);
    }
    if (app.rows.empty())
        return out; // nobody by app: nothing to do
    app.storeCode = in.storeCode;
    app.empCode = in.empCode;
    app.empName = in.empName;
    app.title = CombinedTitle(in.lmsTitle, in.storeName);
    app.body = in.message;
    app.callbackField = in.callbackField;
    app.popup = in.reservation;
    app.imagePath = in.imagePath;
    app.header1 = in.header1;
    app.header3 = in.header3;
    app.ownUnsettled = in.ownUnsettled;
    app.saveSentDraft = in.saveSentDraft;
    app.combined = SmmsSendInput::Combined{smsPart.centerCode, smsPart.localCode};

    SmmsSendTransaction send(db, std::move(app), std::move(progress));
    const SmmsSendResult r = send.Run();
    out.ml = r.ml;
    out.unsettled = r.unsettled;
    out.shown = r.shown;
    for (size_t i : r.rowsSent)
        out.part.rowsSent.push_back(index[i]);
    switch (r.outcome) {
    case SmmsSendOutcome::Sent:
        out.part.sent = r.callSent;
        break;
    case SmmsSendOutcome::PreviousCompleted:
        out.part.earlier = true;
        break;
    case SmmsSendOutcome::Unresolved:
    case SmmsSendOutcome::Disputed:
        out.part.sent = -1;
        out.part.unknown = true;
        break;
    default:
        // Failed, unsettled or settled as not sent: the rows stay checked for the next press.
        out.part.sent = -1;
        break;
    }
    return out;
}

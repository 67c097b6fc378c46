#include "smms/smmssend.h"

#include <cctype>
#include <cstdio>
#include <unordered_set>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "center/centerconfig.h"
#include "center/replyreader.h"
#include "center/requestclient.h"
#include "center/send/cellforpost.h"
#include "center/send/pressmessages.h"
#include "center/send/sendengine.h"
#include "center/send/sendrecord.h"
#include "center/send/sendsettle.h"
#include "center/vexglobal.h"
#include "compose/composition.h"
#include "compose/smmsdraft.h"
#include "db/sqldirect.h"
#include "frame/clock.h"
#include "frame/log.h"
#include "frame/messagebox.h"
#include "smms/uploadfile.h"
#include "text/codec.h"

using zmsg::K;

namespace {

constexpr const char* kPath = "/SMMS/AppRequest.ashx";
constexpr const char* kUploadPath = "/SMMS/UploadImage.ashx";
constexpr int kFocusPeriod = 2008;
constexpr int kFocusTitle = 2036;
constexpr int kFocusBody = 2026;
constexpr int kFocusCallback = 2034;

std::string Str(long long v) {
    return std::to_string(v);
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// Angle brackets would be taken for the center's own tags.
std::string ForCenter(std::string text) {
    ReplaceAll(text, "<", "_lt;_");
    ReplaceAll(text, ">", "_gt;_");
    return CvexGlobal::EncodeANSIToUTF8URL(text);
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Where "<" is followed by a letter (the center would read a tag there); -1 when nowhere.
int FindTagStart(const std::string& text) {
    for (size_t i = 0; i + 1 < text.size(); i += zmsg::Cp949CharLen(text, i))
        if (text[i] == '<' && std::isalpha(static_cast<unsigned char>(text[i + 1])))
            return static_cast<int>(i);
    return -1;
}

const char* const kCallCenter = "\n\n콜센터로 연락바랍니다.(☎ 1600-0000)";

// After an end whose outcome is unknown: the clerk must not fear that the next press sends it again.
std::string UnknownEndNote(const std::string& button) {
    return "\n\n" + button +
           K(" 버튼을 다시 누르면 먼저 이 전송의 결과를 센터에 확인하며, 두 번 발송하지 않습니다.");
}

// The title as the send puts it: trimmed, quotes made double.
std::string NormalTitle(const std::string& title) {
    std::string out = Trim(title);
    for (char& c : out)
        if (c == '\'')
            c = '"';
    return out;
}

} // namespace

std::string PictureIdentity(const std::string& imagePath, int32_t imageBox, int32_t imageNumber) {
    if (!imagePath.empty()) {
        QFile f(QString::fromStdString(imagePath));
        if (!f.open(QIODevice::ReadOnly))
            return "file:" + imagePath; // the upload fails on it anyway
        QCryptographicHash hash(QCryptographicHash::Sha256);
        hash.addData(&f);
        return "sha256:" + hash.result().toHex().toStdString();
    }
    if (imageBox > 0 && imageNumber > 0)
        return "box:" + Str(imageBox) + "#" + Str(imageNumber);
    return std::string();
}

SmmsSendTransaction::SmmsSendTransaction(CSQLDirect& db, SmmsSendInput input, ProgressHooks progress)
    : EarlierSends(db, SendKind::App, m_progress), m_db(db), m_in(std::move(input)),
      m_progress(std::move(progress)) {}

void SmmsSendTransaction::Refuse(const std::string& text, int focus, int caret) {
    m_result.outcome = SmmsSendOutcome::Refused;
    m_result.focus = focus;
    m_result.caret = caret;
    ShowPressRefusal(m_result.shown, m_progress, text);
}

void SmmsSendTransaction::Fail(const std::string& text) {
    ShowPressFailure(m_result.shown, m_progress, text);
}

void SmmsSendTransaction::Report(const std::string& text) {
    ShowPressReport(m_result.shown, m_progress, text, [this] {
        m_result.settled = Settled(); // the window shows what a settle found with the report
        if (m_in.beforeReport)
            m_in.beforeReport(m_result);
    });
}

SmmsSendResult SmmsSendTransaction::Run() {
    m_result = SmmsSendResult{};
    m_result.unsettled = m_in.ownUnsettled;
    m_checked = 0;
    for (const SmmsRow& r : m_in.rows)
        m_checked += r.checked ? 1 : 0;
    m_empCode = m_in.empCode;
    m_storeCode = m_in.storeCode;
    // What this press would send, as the journal keeps a send: a settled one is compared with it.
    m_title = m_in.combined ? m_in.title : NormalTitle(m_in.title);
    m_body = NormalizeMessage(m_in.body);
    m_picture = PictureIdentity(m_in.imagePath, m_in.imageBox, m_in.imageNumber);
    // The app part of a combined send: the SMS press settled every earlier send before its begin.
    if (!m_in.combined && !SettleEarlier(m_result.unsettled)) {
        m_result.settled = Settled();
        m_progress.Hide();
        return m_result;
    }
    if (!Check())
        return m_result;
    CenterSend();
    m_progress.Hide();
    return m_result;
}

bool SmmsSendTransaction::Check() {
    if (m_in.combined)
        return CheckCombined();
    if (m_in.allMembers && m_in.mobileDays < 0) {
        Refuse(K("센터 단골회원 전체에게 전송하려면 모바일 접속기간을 선택해 주세요."), kFocusPeriod);
        return false;
    }
    if (!m_in.allMembers && m_checked < 1) {
        Refuse(K("전송대상을 지정해 주십시오."));
        return false;
    }
    if (m_title.empty() || m_title.size() > 100) {
        Refuse(K("1 ~ 100자 (한글50자) 이내로 제목을 입력해 주십시오."), kFocusTitle);
        return false;
    }
    if (m_body.empty() || m_body.size() > 2000) {
        Refuse(K("1 ~ 2000자 (한글1000자) 이내로 메시지를 입력해 주십시오."), kFocusBody);
        return false;
    }
    auto field = [&](const std::string& header) {
        return !header.empty() && ContainsText(m_body, "{" + header + "}");
    };
    m_useName = field(m_in.header1);
    m_usePoints = field(m_in.header3);
    if (m_in.allMembers && (m_useName || m_usePoints)) {
        Refuse(K("센터 단골회원 전체에게 전송할 때에는 머지기능을 사용하실 수 없습니다."), kFocusBody);
        return false;
    }
    m_callback = CvexGlobal::GetNumberOnlyString(m_in.callbackField);
    if (m_callback.empty() || m_callback.size() > 20) {
        Refuse(K("1 ~ 20자 이내로 발신자 번호를 입력해 주십시오."), kFocusCallback);
        return false;
    }
    m_pop.clear();
    if (m_in.popup) {
        const qint64 ahead = zmsg::Clock::now().secsTo(*m_in.popup);
        if (ahead < 0 || ahead / 3600 < 1 || ahead / 86400 > 7) {
            Refuse(K("팝업예약일시는 현재시간보다 1시간 후부터 ~ 7일 이내로 설정해 주십시오."));
            return false;
        }
        m_pop = m_in.popup->toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
    }
    if (m_in.adRules && !m_in.adRules())
        return false;
    WriteLog(K("------------------ SMMS 전송 시작 ------------------"), 0);
    const char* const tagText = "형식이 있습니다.\n형식을 변경하셔야 발송가능합니다.\n"
                                "예) \"< 알파벳\", \"<-알파벳\"";
    if (FindTagStart(m_title) >= 0) {
        Refuse(K("제목에 \"<알파벳\" ") + K(tagText), kFocusTitle, 0);
        return false;
    }
    // The caret goes where the dialog's text has it: the body as typed (its normalising changes
    // nothing before a "<").
    const int at = FindTagStart(m_in.body);
    if (at >= 0) {
        Refuse(K("메세지에 \"<알파벳\" ") + K(tagText), kFocusBody, at);
        return false;
    }
    return true;
}

// The SMS dialog checked the message already; only the values the center needs are worked out.
bool SmmsSendTransaction::CheckCombined() {
    if (m_checked < 1)
        return false;
    auto field = [&](const std::string& header) {
        return !header.empty() && ContainsText(m_body, "{" + header + "}");
    };
    m_useName = field(m_in.header1);
    m_usePoints = field(m_in.header3);
    m_callback = CvexGlobal::GetNumberOnlyString(m_in.callbackField);
    m_pop = m_in.popup ? m_in.popup->toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString() : "";
    WriteLog(K("------------------ SMMS 통합발송 시작 ------------------"), 0);
    return true;
}

bool SmmsSendTransaction::IsCurrentSend(const PendingSend& earlier) const {
    SendIdentity now;
    now.kind = SendKind::App;
    now.message = m_body;
    now.title = m_title;
    now.picture = m_picture;
    return IsSameSend(earlier, now);
}

void SmmsSendTransaction::EarlierSent(const SettledSend& settled, const std::string& headline) {
    const PendingSend& send = settled.send;
    // The message went out: the draft that holds it is no longer a message being written.
    MarkDraftsSent(send);
    m_result.outcome = SmmsSendOutcome::PreviousCompleted;
    std::string text = headline + "(" + CvexGlobal::GetMoneyString(settled.callSent) + K("건)");
    if (!settled.same) {
        // Another message: it reaches every checked row once the clerk presses again.
        Report(text +
               K("\n\n이번 메시지는 아직 보내지 않았습니다.\n"
                 "보낼 대상과 메시지를 확인하신 후 ") +
               ButtonName() + K(" 버튼을 다시 눌러 주십시오."));
        return;
    }
    std::vector<std::string> phones;
    for (const SmmsRow& r : m_in.rows)
        phones.push_back(r.checked ? r.phone : std::string());
    m_result.rowsReached = RowsReached(send, phones);
    Report(text +
           K("\n같은 메시지를 다시 보내지 않도록 이번 전송은 하지 않았습니다.\n"
             "보낼 대상과 메시지를 확인하신 후 ") +
           ButtonName() + K(" 버튼을 다시 눌러 주십시오."));
}

void SmmsSendTransaction::EarlierLeft(Left how, const std::string& text) {
    m_result.outcome = how == Left::Unresolved ? SmmsSendOutcome::Unresolved : SmmsSendOutcome::Disputed;
    if (!text.empty())
        Fail(text);
}

void SmmsSendTransaction::EarlierDropped(const std::string& text) {
    m_result.outcome = SmmsSendOutcome::PreviousDropped;
    Report(text);
}

void SmmsSendTransaction::ShowFailure(const std::string& text) {
    Fail(text);
}

int SmmsSendTransaction::Ask(const std::string& question) {
    m_result.shown.push_back(question);
    return ShowMessageBox(question, MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON3);
}

std::string SmmsSendTransaction::NoReplyText() const {
    return K("센터에 AlderS 문자 전송완료 응답을 수신할 수 없습니다.(통신실패)") + K(kCallCenter) +
           UnknownEndNote(ButtonName());
}

std::string SmmsSendTransaction::UnusableText(const PendingSend&, const std::string& reply) const {
    return K("센터에서 AlderS 문자 전송을 완료할 수 없습니다.") + zmsg::ReasonSuffix(reply) + K(kCallCenter) +
           UnknownEndNote(ButtonName());
}

std::string SmmsSendTransaction::ButtonName() const {
    // The app part of a combined send is pressed with the SMS dialog's own button.
    return m_in.combined ? K("전송") : K("AlderS 문자 전송");
}

std::string SmmsSendTransaction::RecordingText() const {
    return K("AlderS 문자 전송내역을 보관하기 위해 DB에 기록하는 중입니다.");
}

bool SmmsSendTransaction::Upload(int64_t ml) {
    const std::string extinfo = Str(ml) + "#@#" + Str(m_in.imageBox) + "#@#" + Str(m_in.imageNumber);
    std::string file = m_in.imagePath;
    // The center is told the one name it knows, whatever the window's own file is called.
    QTemporaryDir staged;
    if (!file.empty() &&
        QFileInfo(QString::fromStdString(file)).fileName() != QLatin1String(zmsg::kSmmsUploadName)) {
        const QString copy = staged.filePath(QLatin1String(zmsg::kSmmsUploadName));
        if (staged.isValid() && QFile::copy(QString::fromStdString(file), copy))
            file = copy.toStdString();
    }
    std::string raw;
    if (!HttpUploadFile(zmsg::CenterUrl(kUploadPath), raw, file.empty() ? "" : "uploadedfile", file,
                        "extinfo", extinfo)) {
        Fail(K("AlderS 문자 이미지를 전송하지 못했습니다.(통신실패)"));
        return false;
    }
    const std::string reply = zmsg::ConvertReply(raw);
    if (!zmsg::IsPositiveReply(reply, 12)) {
        Fail(K("AlderS 문자 이미지 전송실패") + zmsg::ReasonSuffix(reply));
        return false;
    }
    return true;
}

bool SmmsSendTransaction::CenterSend() {
    const std::string path = SendStatePath();
    if (path.empty()) {
        Refuse(K("전송상태 파일(ZMSGSEND.dat)을 기록할 폴더가 없어 AlderS 문자를 보낼 수 없습니다.\n"
                 "프로그램 폴더나 사용자 상태 폴더(~/.local/state/zmsg)에 쓰기 권한이 있어야 합니다.\n"
                 "(통신이 끊겼을 때 같은 메시지가 두 번 발송되지 않도록 하는 파일입니다.)"));
        return false;
    }
    SendState state(path);
    state.Load();

    const std::string url = zmsg::CenterUrl(kPath);
    const std::string mart = Str(m_in.storeCode);
    std::string raw;
    std::string reply;
    const std::string begin = "work=SMMSBEGIN&mart=" + mart + "&emp=" + Str(m_in.empCode) +
                              "&ename=" + CvexGlobal::EncodeANSIToUTF8URL(m_in.empName) +
                              "&tt=" + ForCenter(m_title) + "&msg=" + ForCenter(m_body) +
                              "&mt=1&cb=" + m_callback + "&url=&pop=" + m_pop + "&call=" + Str(m_checked) +
                              "&ss=" + Str(m_in.combined ? m_in.combined->smsCenterCode : 0);
    m_result.outcome = SmmsSendOutcome::Failed;
    if (!RequestPost(url, begin, raw, 0, ConnectionUse::Fresh)) {
        Fail(K("센터에 AlderS 문자 전송시작을 알릴 수 없습니다.(통신실패)"));
        return false;
    }
    reply = zmsg::ConvertReply(raw);
    if (!zmsg::IsPositiveReply(reply, 12)) {
        Fail(K("AlderS 문자 센터전송 시작실패") + zmsg::ReasonSuffix(reply));
        return false;
    }
    const int64_t ml = zmsg::ElementInt64(reply, "ML");
    if (ml < 1) {
        Fail(K("AlderS 문자 센터전송 시작실패 \n\n☞ 전송코드 생성실패"));
        return false;
    }
    m_result.ml = ml;
    WriteLog("MsgList=" + Str(ml), 0);

    if (((m_in.imageBox > 0 && m_in.imageNumber > 0) || !m_in.imagePath.empty()) && !Upload(ml))
        return false;

    WriteLog(K("SMMS 전송대상 바인딩 시작"), 0);
    m_progress.Show(K("AlderS 문자 데이터를 센터로 보내는 중입니다."));
    m_progress.Range(static_cast<int>(m_in.rows.size()));

    PendingSend send;
    send.kind = SendKind::App;
    send.centerCode = ml;
    send.storeCode = m_in.storeCode;
    send.empCode = m_in.empCode;
    send.callback = m_callback;
    send.message = m_body;
    send.title = m_title;
    send.picture = m_picture;
    send.allMembers = m_in.allMembers;
    send.mobileDays = m_in.mobileDays;
    if (m_in.combined) {
        send.combined = true;
        send.joinCode = m_in.combined->joinCode;
        send.allMembers = false;
        send.mobileDays = -1;
    }
    send.sentAt = zmsg::Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();

    const std::vector<SmmsRow>& rows = m_in.rows;
    const bool merge = m_useName || m_usePoints;
    const bool useName = m_useName;
    const bool usePoints = m_usePoints;
    RowWriter writer = [&rows, merge, useName, usePoints](size_t i, std::string& body, SentRecipient& who) {
        const SmmsRow& r = rows[i];
        if (!r.checked)
            return false;
        who.ref = r.code;
        who.phone = r.phone;
        body += "}{";
        body += r.phone;
        if (merge) {
            body += '|';
            if (useName)
                AppendCellForPost(body, r.name);
            body += '|';
            if (usePoints)
                AppendCellForPost(body, r.points);
        }
        return true;
    };
    RowBatches batches(rows.size(),
                       "work=SMMSTRAN&mart=" + mart + "&ml=" + Str(ml) + "&seq=", "&tran=", kBatchSize,
                       std::move(writer), merge ? 48 : 16);
    const BatchTexts texts{K("SMMS전송대상 바인딩 "),
                           K("AlderS 문자 데이터를 센터로 보낼 수 없습니다.(통신실패)"),
                           K("AlderS 문자 데이터를 센터에 기록할 수 없습니다.")};
    auto post = [&](RowBatch& batch) {
        std::string failure;
        if (!PostCheckedBatch(url, batch, texts, failure)) {
            Fail(failure);
            return false;
        }
        return true;
    };
    switch (PostBatchesKept(state, std::move(send), batches, post, m_progress)) {
    case BatchesRun::Failed:
        Fail(K("AlderS 문자 전송에 실패했습니다.\n다시 전송을 시도해 보시고 문제가 반복되면 콜센터로 "
               "문의해 주십시오."));
        return false;
    case BatchesRun::NotKept:
        Fail(K("전송상태 파일을 기록할 수 없어 센터에 전송완료를 요청하지 않았습니다.\n"
               "AlderS 문자는 발송되지 않았습니다.\n"
               "디스크 공간과 폴더 권한을 확인하신 후 다시 전송해 주십시오.\n(") +
             path + ")");
        return false;
    case BatchesRun::Posted:
        break;
    }

    m_progress.Pos(0);
    const PendingSend* kept = state.Find(ml, SendKind::App);
    const PendingSend entry = kept ? *kept : PendingSend{};
    const EndReply end = PostEndKept(state, entry, m_progress, reply);
    m_progress.Hide();
    switch (end) {
    case EndReply::NoReply:
        m_result.outcome = SmmsSendOutcome::Unresolved;
        m_result.unsettled = entry;
        Fail(NoReplyText());
        return false;
    case EndReply::Unusable:
        m_result.outcome = SmmsSendOutcome::Unresolved;
        m_result.unsettled = entry;
        Fail(UnusableText(entry, reply));
        return false;
    case EndReply::Disputed:
        m_result.outcome = SmmsSendOutcome::Disputed;
        if (const PendingSend* now = state.Find(ml, SendKind::App))
            m_result.unsettled = *now;
        Fail(DisputeText(entry, reply, true));
        return false;
    case EndReply::Refused:
        Fail(K("센터에서 AlderS 문자 전송을 완료할 수 없습니다.") + zmsg::ReasonSuffix(reply) +
             K(kCallCenter));
        return false;
    case EndReply::Ended:
        break;
    }

    m_result.callSent = zmsg::ElementInt(reply, "CALL_SENT");
    m_result.allUser = zmsg::ElementInt(reply, "ALL_USER");
    if (m_in.saveSentDraft)
        m_in.saveSentDraft();
    WriteLog(K("SMMS 전송완료응답수신(전송콜=") + Str(m_result.callSent) + ")", 0);
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].checked)
            m_result.rowsSent.push_back(i);
    m_progress.Range(static_cast<int>(rows.size()));
    PendingSend ended;
    ended.kind = SendKind::App;
    ended.centerCode = ml;
    ended.allUser = m_result.allUser;
    const RecordOutcome recorded = RecordNow(state, ended, m_result.callSent, false);
    if (recorded.step == RecordStep::Done)
        m_result.localCode = recorded.localCode;
    else
        m_result.unrecorded = true;
    if (m_in.combined) {
        // The SMS dialog reports the whole send.
        m_result.outcome = SmmsSendOutcome::Sent;
        WriteLog(K("SMMS 통합발송 끝(OnOK)"), 0);
        return true;
    }

    std::string text;
    if (m_result.allUser > 0)
        text = K("센터에만 등록된 단골회원 ") + CvexGlobal::GetMoneyString(m_result.allUser) +
               K("명을 포함한 ") + CvexGlobal::GetMoneyString(m_result.callSent) +
               K("명에게 AlderS 문자를 전송했습니다.");
    else
        text = CvexGlobal::GetMoneyString(m_result.callSent) + K("명에게 AlderS 문자를 전송했습니다.");
    text += K("\n\n확인을 누르시면 AlderS 문자 전송창을 닫습니다.");
    m_result.outcome = SmmsSendOutcome::Sent;
    Report(text);
    WriteLog(K("SMMS 전송창 닫기(OnOK)"), 0);
    return true;
}

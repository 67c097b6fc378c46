// The simulated center's app messages over real HTTP: what the center records, completes, hands out
// and shows in its state, under repeats and under every fault kind.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <httplib.h>

#include "center/centerconfig.h"
#include "center/replyreader.h"
#include "center/requestclient.h"
#include "center/vexglobal.h"
#include "sim/smmsstate.h"
#include "tests/support/simfixture.h"
#include "text/codec.h"

using zmsg::K;

namespace {

const char* const kApp = "/SMMS/AppRequest.ashx";
const char* const kUpload = "/SMMS/UploadImage.ashx";

// The reply in CP949, or "(none)" when no reply arrived.
std::string Post(const std::string& body, int timeoutMs = 0, ConnectionUse use = ConnectionUse::Fresh) {
    std::string reply;
    if (!RequestPost(zmsg::CenterUrl(kApp), body, reply, timeoutMs, use))
        return "(none)";
    return zmsg::ConvertReply(reply);
}

std::string Tran(long long ml, int seq, const std::string& list) {
    return "work=SMMSTRAN&mart=1001&ml=" + std::to_string(ml) + "&seq=" + std::to_string(seq) +
           "&tran=" + list;
}
std::string End(long long ml, int allUser = 0, int m2date = -1) {
    return "work=SMMSEND&mart=1001&ml=" + std::to_string(ml) + "&alluser=" + std::to_string(allUser) +
           "&m2date=" + std::to_string(m2date);
}
std::string ResultQuery(long long ml) {
    return "work=SMMSRESULT&mart=1001&ml=" + std::to_string(ml);
}

class SimSmmsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_fx.ok());
        ASSERT_TRUE(m_dir.isValid());
        m_control = std::make_unique<httplib::Client>("127.0.0.1", m_fx.sim().Port());
    }

    long long begin(int call, const std::string& title = "t", const std::string& pop = "") {
        const std::string reply =
            Post("work=SMMSBEGIN&mart=1001&emp=1&ename=" + CvexGlobal::EncodeANSIToUTF8URL(K("김점장")) +
                 "&tt=" + CvexGlobal::EncodeANSIToUTF8URL(title) +
                 "&msg=" + CvexGlobal::EncodeANSIToUTF8URL(K("본문 _lt;_안내_gt;_")) +
                 "&mt=1&cb=0212345678&url=&pop=" + CvexGlobal::EncodeURL(pop) +
                 "&call=" + std::to_string(call) + "&ss=0");
        EXPECT_TRUE(zmsg::IsPositiveReply(reply, 12)) << reply;
        return zmsg::ElementInt64(reply, "ML");
    }
    std::string writeFile(const char* name, const QByteArray& bytes) {
        QFile f(m_dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName().toStdString();
    }
    // The upload call's reply in CP949, or "(none)" when the call failed.
    std::string upload(const std::string& path, const std::string& extinfo) {
        std::string reply;
        if (!HttpUploadFile(zmsg::CenterUrl(kUpload), reply, path.empty() ? "" : "uploadedfile", path,
                            "extinfo", extinfo))
            return "(none)";
        return zmsg::ConvertReply(reply);
    }
    QJsonObject state() {
        const auto res = m_control->Get("/_sim/state");
        EXPECT_TRUE(res && res->status == 200);
        QJsonParseError error{};
        const QJsonDocument doc =
            QJsonDocument::fromJson(QByteArray::fromStdString(res ? res->body : ""), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        return doc.object();
    }
    QJsonObject messageJson(long long ml) {
        for (const QJsonValue v : state().value(QStringLiteral("apps")).toArray())
            if (v.toObject().value(QStringLiteral("ml")).toString() == QString::number(ml))
                return v.toObject();
        return {};
    }
    void arm(const std::string& verb, const std::string& kind, const std::string& extra = "") {
        const auto res = m_control->Post("/_sim/fault", "verb=" + verb + "&nth=1&kind=" + kind + extra,
                                         "application/x-www-form-urlencoded");
        ASSERT_TRUE(res && res->status == 200) << (res ? res->body : "no reply");
    }
    zmsg::sim::SmmsState& smms() { return m_fx.sim().Center().Smms(); }

    SimFixture m_fx;
    QTemporaryDir m_dir;
    std::unique_ptr<httplib::Client> m_control;
};

TEST_F(SimSmmsTest, BeginBatchesAndEndCompleteOnceWhateverIsRepeated) {
    const long long ml = begin(4, K("(광고)행복마트"), "2026-05-04 15:30");
    EXPECT_GT(ml, 4294967296LL) << "an ML that a 32-bit client would truncate";

    const std::string first = Tran(ml, 1, "}{01022220001|%ED%99%8D|}{01022220007||");
    const std::string reply1 = Post(first, 60000);
    EXPECT_EQ(zmsg::ElementInt(reply1, "OK"), 2);
    EXPECT_EQ(Post(first, 60000), reply1) << "a batch sent again replaces itself";
    // The second batch lists 01022220001 again: the center records what it is given, and shows it.
    EXPECT_EQ(zmsg::ElementInt(Post(Tran(ml, 2, "}{01022220001||}{01022220002||"), 60000), "OK"), 2);
    EXPECT_FALSE(zmsg::IsPositiveReply(Post(Tran(ml, 3, "}{01022220003||"), 60000), 4))
        << "more recipients than the begin announced";

    const std::string end = Post(End(ml), 120000);
    ASSERT_TRUE(zmsg::IsPositiveReply(end, 4)) << end;
    EXPECT_EQ(zmsg::ElementInt(end, "CALL_SENT"), 4);
    EXPECT_EQ(zmsg::ElementInt(end, "ALL_USER"), 0);
    EXPECT_EQ(Post(End(ml), 120000), end) << "an end repeated answers as the first did";
    EXPECT_FALSE(zmsg::IsPositiveReply(Post(Tran(ml, 3, "}{01022220003||"), 60000), 4))
        << "a completed message takes no more recipients";
    EXPECT_EQ(upload(writeFile("late.jpg", "JPEG"), std::to_string(ml) + "#@#0#@#0").substr(0, 2), "0:")
        << "nor a picture";

    // With the center refusing repeated ends, the refusal still completes nothing.
    const auto config =
        m_control->Post("/_sim/config", "repeated_end=refuse", "application/x-www-form-urlencoded");
    ASSERT_TRUE(config && config->status == 200);
    EXPECT_EQ(Post(End(ml), 120000).substr(0, 2), "0:");
}

TEST_F(SimSmmsTest, EveryFaultKindOnEveryAppVerb) {
    struct Kind {
        const char* name;
        const char* extra;
        bool replies; // the client gets a reply at all
        bool acts;
        const char* reply; // what the client sees when not the normal reply ("" = normal)
    };
    const Kind kinds[] = {
        {"delay", "&delay=5", true, true, ""},
        {"close-before", "", false, false, ""},
        {"close-after", "", false, true, ""},
        {"http500", "", false, false, ""},
        {"fail", "&code=0&reason=busy", true, false, "0:busy"},
        {"nocolon", "", true, true, "?"},
        {"short", "", true, true, "1:"},
        {"badutf8", "", true, true, "?"},
        {"raw", "&body=7:raw", true, true, "7:raw"},
    };
    const std::string image = writeFile("a.jpg", "JPEGBYTES");
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        // MARTINFO on the app-message address
        arm("MARTINFO", k.name, k.extra);
        const std::string info = Post("work=MARTINFO&mart=1001&ver=1.0.0.1");
        EXPECT_EQ(info != "(none)", k.replies) << info;

        // SMMSBEGIN: acting makes a message
        const size_t before = smms().MessagesOf(1001).size();
        arm("SMMSBEGIN", k.name, k.extra);
        const std::string b = Post(
            "work=SMMSBEGIN&mart=1001&emp=1&ename=a&tt=t&msg=m&mt=1&cb=0212345678&url=&pop=&call=2&ss=0");
        EXPECT_EQ(b != "(none)", k.replies) << b;
        EXPECT_EQ(smms().MessagesOf(1001).size(), before + (k.acts ? 1 : 0));
        if (std::string(k.reply) != "" && std::string(k.reply) != "?") {
            EXPECT_EQ(b, k.reply);
        }

        const long long ml = begin(2);
        // UPLOAD: acting attaches the picture
        const size_t uploads = smms().Uploads().size();
        arm("UPLOAD", k.name, k.extra);
        const std::string u = upload(image, std::to_string(ml) + "#@#0#@#0");
        EXPECT_EQ(u != "(none)", k.replies) << u;
        EXPECT_EQ(smms().Message(ml)->pictures, k.acts ? 1 : 0);
        EXPECT_EQ(smms().Uploads().size(), uploads + (k.acts ? 1 : 0)) << "kept when the center took it";

        // SMMSTRAN: acting records the batch
        arm("SMMSTRAN", k.name, k.extra);
        const std::string t = Post(Tran(ml, 1, "}{01044440001||}{01044440002||"), 60000);
        EXPECT_EQ(t != "(none)", k.replies) << t;
        EXPECT_EQ(smms().Message(ml)->batches.size(), k.acts ? 1u : 0u);
        if (!k.acts) {
            ASSERT_EQ(zmsg::ElementInt(Post(Tran(ml, 1, "}{01044440001||}{01044440002||"), 60000), "OK"), 2);
        } else {
            // The client, not knowing, sends the batch again: still two recipients.
            ASSERT_EQ(zmsg::ElementInt(Post(Tran(ml, 1, "}{01044440001||}{01044440002||"), 60000), "OK"), 2);
            EXPECT_EQ(messageJson(ml).value(QStringLiteral("listed")).toInt(), 2);
        }

        // SMMSEND: acting completes; the end asked again answers as the completion did
        arm("SMMSEND", k.name, k.extra);
        const std::string e = Post(End(ml), 120000);
        EXPECT_EQ(e != "(none)", k.replies) << e;
        EXPECT_EQ(smms().Message(ml)->ended, k.acts);
        const std::string again = Post(End(ml), 120000);
        EXPECT_EQ(zmsg::ElementInt(again, "CALL_SENT"), 2) << again;
        if (k.acts && std::string(k.reply).empty() && k.replies) {
            EXPECT_EQ(again, e);
        }
        EXPECT_EQ(smms().Message(ml)->completions, 1);

        // SMMSRESULT: nothing to act on; the reply is what the kind makes it
        arm("SMMSRESULT", k.name, k.extra);
        // On a fresh connection: on a kept-alive one the client library quietly asks again.
        const std::string r = Post(ResultQuery(ml), 120000);
        EXPECT_EQ(r != "(none)", k.replies) << r;
        if (std::string(k.reply) != "" && std::string(k.reply) != "?") {
            EXPECT_EQ(r, k.reply);
        }
        if (std::string(k.name) == "nocolon") {
            EXPECT_NE(r.substr(1, 1), ":");
        }
        EXPECT_EQ(Post(ResultQuery(ml), 120000, ConnectionUse::Shared), "1:01044440001:1#01044440002:1");
    }
    for (const char* verb : {"SMMSBEGIN", "SMMSTRAN", "SMMSEND", "SMMSRESULT", "UPLOAD"}) {
        int faulted = 0;
        for (const auto& r : m_fx.sim().Requests().All())
            faulted += r.verb == verb && !r.fault.empty();
        EXPECT_EQ(faulted, 9) << verb << ": the request log names the fault applied";
    }
}

} // namespace

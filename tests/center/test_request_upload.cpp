// The image upload's multipart body, checked by the simulator byte for byte against the layout the
// center reads.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <unistd.h>

#include "center/centerconfig.h"
#include "center/replyreader.h"
#include "center/requestclient.h"
#include "frame/clock.h"
#include "sim/smmsstate.h"
#include "tests/support/simfixture.h"

namespace {

class UploadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_fx.ok());
        ASSERT_TRUE(m_dir.isValid());
        zmsg::Clock::setFixed(QDateTime(QDate(2026, 5, 4), QTime(10, 20, 30)));
        // An app message to attach the image to.
        std::string reply;
        ASSERT_EQ(
            RequestPost(
                zmsg::CenterUrl("/SMMS/AppRequest.ashx"),
                "work=SMMSBEGIN&mart=1001&emp=1&ename=a&tt=t&msg=m&mt=1&cb=0212345678&url=&pop=&call=0&ss=0",
                reply, 0, ConnectionUse::Fresh),
            1);
        m_ml = zmsg::ElementInt64(reply, "ML");
        ASSERT_GT(m_ml, 0);
    }
    void TearDown() override { zmsg::Clock::setFixed(QDateTime()); }

    std::string writeFile(const QString& name, const QByteArray& bytes) {
        QFile f(m_dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName().toStdString();
    }
    std::string extinfo(int box = 0, int img = 0) const {
        return std::to_string(m_ml) + "#@#" + std::to_string(box) + "#@#" + std::to_string(img);
    }
    std::string field(const char* name) {
        return zmsg::sim::FieldOf(m_fx.sim().Requests().All().back().fields, name);
    }
    std::string uploadUrl() const { return zmsg::CenterUrl("/SMMS/UploadImage.ashx"); }

    SimFixture m_fx;
    QTemporaryDir m_dir;
    long long m_ml = 0;
};

TEST_F(UploadTest, FileThenTextLaidOutAsTheCenterReadsThem) {
    QByteArray image("\xFF\xD8\xFF\xE0", 4);
    image.append(QByteArray(70000, '\0')); // zero bytes inside the file are data, not an end
    image.append("\r\n--not-a-boundary\r\n");
    const std::string path = writeFile(QStringLiteral("Alder_SMMS_Upload.jpg"), image);

    std::string reply;
    ASSERT_TRUE(HttpUploadFile(uploadUrl(), reply, "uploadedfile", path, "extinfo", extinfo()));
    EXPECT_EQ(field("layout"), "ok");
    // 10:20:30 gives b = 109: 218 'J', 258 'j', 238 't'.
    EXPECT_EQ(field("boundary"), "---------------------------218J258j238t");
    EXPECT_EQ(field("uploadedfile"), "Alder_SMMS_Upload.jpg") << "the name after the last '/'";
    EXPECT_EQ(field("extinfo"), extinfo());
    EXPECT_EQ(field("user-agent"), "ZEDov");
    EXPECT_EQ(field("accept"), "text/*");
    EXPECT_TRUE(zmsg::IsPositiveReply(zmsg::ConvertReply(reply), 12));
    const auto message = m_fx.sim().Center().Smms().Message(m_ml);
    EXPECT_EQ(message->imageBytes, image.toStdString());
    EXPECT_EQ(message->imageName, "Alder_SMMS_Upload.jpg");

    // Two uploads in the same second of the same minute and hour share the boundary.
    ASSERT_TRUE(HttpUploadFile(uploadUrl(), reply, "uploadedfile", path, "extinfo", extinfo()));
    EXPECT_EQ(field("boundary"), "---------------------------218J258j238t");
}

TEST_F(UploadTest, TextAloneNamesAPictureOfTheImageBox) {
    std::string reply;
    ASSERT_TRUE(HttpUploadFile(uploadUrl(), reply, "uploadedfile", "", "extinfo", extinfo(1, 2)));
    EXPECT_EQ(field("layout"), "ok");
    EXPECT_EQ(field("uploadedfile"), "");
    EXPECT_TRUE(zmsg::IsPositiveReply(reply, 12));
    EXPECT_EQ(m_fx.sim().Center().Smms().Message(m_ml)->imageNumber, 2);
}

TEST_F(UploadTest, PathWithoutSlashIsSentUnderItsWholeName) {
    const std::string path = writeFile(QStringLiteral("plain.jpg"), "JPEGDATA");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    std::string reply;
    const bool ok = HttpUploadFile(uploadUrl(), reply, "uploadedfile", "plain.jpg", "extinfo", extinfo());
    QDir::setCurrent(previous);
    ASSERT_TRUE(ok);
    EXPECT_EQ(field("uploadedfile"), "plain.jpg");
    (void)path;
}

TEST_F(UploadTest, RefusedWithoutSendingWhenThereIsNothingToSend) {
    const int before = m_fx.sim().Requests().Count("UPLOAD");
    std::string reply = "stale";
    EXPECT_FALSE(HttpUploadFile(uploadUrl(), reply, "", "", nullptr, "ignored")) << "no file, no text field";
    EXPECT_TRUE(reply.empty());
    EXPECT_FALSE(HttpUploadFile(uploadUrl(), reply, "uploadedfile",
                                m_dir.filePath(QStringLiteral("missing.jpg")).toStdString(), "extinfo",
                                extinfo()))
        << "a named file that does not exist";
    EXPECT_FALSE(
        HttpUploadFile(uploadUrl(), reply, "uploadedfile", m_dir.path().toStdString(), "extinfo", extinfo()))
        << "a folder";
    EXPECT_FALSE(HttpUploadFile("::bad::", reply, "", "", "extinfo", extinfo()));
    EXPECT_EQ(m_fx.sim().Requests().Count("UPLOAD"), before);
}

TEST_F(UploadTest, ReplyKeepsEveryByteAndOnlyStatus200Counts) {
    const std::string path = writeFile(QStringLiteral("a.jpg"), "JPEG");
    zmsg::sim::Fault raw;
    raw.verb = "UPLOAD";
    raw.kind = zmsg::sim::FaultKind::Raw;
    raw.body = std::string("1:<A>\0</A>xyz", 13);
    m_fx.sim().Faults().Arm(raw);
    std::string reply;
    ASSERT_TRUE(HttpUploadFile(uploadUrl(), reply, "uploadedfile", path, "extinfo", extinfo()));
    EXPECT_EQ(reply, raw.body);

    zmsg::sim::Fault error;
    error.verb = "UPLOAD";
    error.kind = zmsg::sim::FaultKind::Http500;
    m_fx.sim().Faults().Arm(error);
    EXPECT_FALSE(HttpUploadFile(uploadUrl(), reply, "uploadedfile", path, "extinfo", extinfo()));
    EXPECT_TRUE(reply.empty());

    // A center failure comes back as a positive upload call with a negative reply.
    ASSERT_TRUE(HttpUploadFile(uploadUrl(), reply, "uploadedfile", path, "extinfo", "999#@#0#@#0"));
    EXPECT_FALSE(zmsg::IsPositiveReply(reply, 12));
    EXPECT_TRUE(zmsg::HasReason(reply));
}

} // namespace

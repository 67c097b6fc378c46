// A host without a Qt application object: the module creates one on the first call.
#include <gtest/gtest.h>

#include <QApplication>

#include "center/db/sqldirect.h"
#include "zmsg/zmsg.h"

TEST(Exports, HostWithoutApplicationGetsOne) {
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    CSQLDirect db;
    // Not built yet: the receipt reports an incomplete run, it does not crash or wait.
    EXPECT_EQ(ReceiveResult(&db, 0), 0);
    EXPECT_EQ(ReceiveResult(&db, -5), 0);
    EXPECT_NE(qobject_cast<QApplication*>(QCoreApplication::instance()), nullptr);
}

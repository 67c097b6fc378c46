#include "center/storecode.h"

#include <cstdlib>

#include "db/sqldirect.h"
#include "frame/moduleapp.h"

std::optional<int32_t> ReadStoreCode(CSQLDirect& db, StoreCodeRead how) {
    const int rc = db.ExecuteSQL("SELECT cc_maxcode FROM ccode WHERE cc_code=7");
    const bool ran =
        rc == SQL_OK || (how == StoreCodeRead::WarningsAllowed && (rc == SQL_OK_INFO || rc == SQL_NODATA));
    if (!ran || db.Fetch() != SQL_OK)
        return std::nullopt;
    return static_cast<int32_t>(std::atoi(db.GetCol(1).c_str()));
}

std::string VersionForCenter() {
    const std::string version = theApp().GetVersionString();
    return version.size() < 8 ? std::string() : version;
}

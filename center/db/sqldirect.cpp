#include "center/db/sqldirect.h"

namespace zmsg::db {
class Backend {};
} // namespace zmsg::db

CSQLDirect::CSQLDirect() = default;
CSQLDirect::~CSQLDirect() = default;
bool CSQLDirect::Open(const std::string&) { return false; }
void CSQLDirect::Close() {}
bool CSQLDirect::IsOpen() const { return false; }
std::string CSQLDirect::GetLastError() const { return "not built yet"; }
int CSQLDirect::ExecuteSQL(const char*) { return -1; }
int CSQLDirect::Fetch() { return 100; }
std::string CSQLDirect::GetCol(int) { return {}; }
int CSQLDirect::DoQuery(const std::string&, std::vector<std::vector<std::string>>&) { return 0; }
std::string CSQLDirect::GetTimeFuncStr() const { return "GETDATE()"; }
bool CSQLDirect::BeginTrans() { return false; }
bool CSQLDirect::CommitTrans() { return false; }
bool CSQLDirect::RollbackTrans() { return false; }

// The sample store database of the demo and the tests.
#pragma once

#include <cstdint>
#include <string>

class CSQLDirect;

// Creates every table the module reads or writes, in an open database.
bool CreateStoreTables(CSQLDirect& db, std::string* error);
// Creates a new SQLite file with the tables, the store settings and sample people.
bool CreateDemoDatabase(const std::string& path, std::string* error);

// How the send tests and benchmarks store member i's number (i from 0): one in five masked, one in
// five written with hyphens, and a few with one, two or three failure stars. phone is the number as
// sent; key gets the mask key (-1 when not masked).
std::string StoredMemberCel(int i, const std::string& phone, int32_t& key);

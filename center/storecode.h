// The store's own code and the version text every store check sends the center with MARTINFO.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class CSQLDirect;

// Whether a statement that ran with a warning still counts as run when reading the store code.
enum class StoreCodeRead { CleanOnly, WarningsAllowed };

// The store code (ccode 7). Nothing when the statement fails or finds no row; each caller decides
// whether that is an error or keeps the code it had.
std::optional<int32_t> ReadStoreCode(CSQLDirect& db, StoreCodeRead how = StoreCodeRead::CleanOnly);

// The module's version for the center: a version too short to be "a.b.c.d" is not sent at all.
std::string VersionForCenter();

// The store's tables, as numbered migrations. A store at version N runs migrations N+1 on,
// each in its own transaction with the version it brings; never edit a migration that has
// shipped, add the next one.
#pragma once

#include <string>
#include <vector>

#include "SqlConnection.h"

namespace vorsa::gateway::detail {

/// Migration k (from 1) is entry k-1, with the dialect's fragments filled in.
[[nodiscard]] std::vector<std::string> Migrations(const SqlDialect& dialect);

/// Brings the schema up to date; gives the version reached.
int Migrate(SqlConnection& connection);

}  // namespace vorsa::gateway::detail

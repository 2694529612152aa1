// Batched execution of a prepared INSERT through a server: a group of rows travels as one
// EXECUTE BLOCK whose parameters are the rows' values, so a group costs one round trip instead of one
// per row. While a wait hook is set on the connection, a full group travels on the gate's thread and the
// next group's rows are read meanwhile (see CallGate::post). Embedded attachments have no round trips to
// save and keep the single statement.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/driver.h"
#include "db/firebird/link.h"

namespace db::firebird {

// Runs one row through the single statement exactly as its own execution does, errors included.
using RunRow = std::function<void(const Row&)>;

// A batch of up to `maxRows` rows a group (64 at most unless `maxRows` is large, see batch.cpp) for `single`,
// an INSERT without a result prepared from `sql`
// ("?" for each parameter). Nullptr when no group of at least two rows can be prepared within the
// server's limits or with parameters described exactly as the single statement's.
std::unique_ptr<BatchImpl> makeBatch(std::shared_ptr<StatementCore> single, const std::string& sql,
                                     std::size_t maxRows, RunRow runRow);

// The statement text cut at its "?" markers (those outside literals, quoted names and comments):
// n markers give n + 1 pieces. A trailing ";" and blanks are dropped.
std::vector<std::string> splitAtMarkers(const std::string& sql);

// Groups of at most this many rows: the server refuses a block naming a table more than 255 times,
// and a larger message than this is not worth the memory. A batch for many rows takes groups this large
// (see batch.cpp).
constexpr std::size_t kMaxGroupRows = 255;
constexpr std::size_t kMaxGroupMessage = 65535;

}  // namespace db::firebird

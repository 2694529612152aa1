// Small helpers shared by the benchmarks.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "db/engine.h"

namespace bench {

// Runs one statement without a result.
inline void exec(db::Database& database, const std::string& sql) {
  db::Query q;
  q.setDatabase(&database);
  q.addSql(sql);
  q.execSql();
}

// Rows of a Firebird table.
inline std::int64_t count(db::Database& database, const std::string& table) {
  db::Query q;
  q.setDatabase(&database);
  q.addSql("SELECT COUNT(*) FROM " + table);
  q.open();
  return q.field(0).asInteger();
}

inline double seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace bench

// Short constructors of engine values for the sample data.
#pragma once

#include <cstdint>
#include <string>

#include "db/value.h"

namespace konw::demo {

inline db::Value txt(std::string s) {
  return db::Value(std::move(s));
}
inline db::Value num(std::int64_t i) {
  return db::Value(i);
}
inline db::Value real(double d) {
  return db::Value(d);
}
inline db::Value flag(bool b) {
  return db::Value(b);
}
inline db::Value null() {
  return db::Value(db::Null{});
}
inline db::Value day(int y, unsigned m, unsigned d) {
  return db::Value(db::dateFromYmd(y, m, d));
}
inline db::Value stamp(int y, unsigned m, unsigned d, int hh, int mm, int ss) {
  return db::Value(
      db::DateTime{db::dateFromYmd(y, m, d), db::Time{((hh * 60LL + mm) * 60 + ss) * 1000000LL}});
}
inline db::Value clock(int hh, int mm) {
  return db::Value(db::Time{(hh * 60LL + mm) * 60 * 1000000LL});
}
// An amount in grosze as a floating value with two decimals.
inline db::Value zl(std::int64_t grosze) {
  return db::Value(static_cast<double>(grosze) / 100.0);
}

}  // namespace konw::demo

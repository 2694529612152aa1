// The "INTRBASE" driver: a Firebird database, embedded or through a server.
//
// Parameter lines: "SERVER NAME=<location>" ("server:path" through a server; a path alone, or a
// Windows drive path such as "C:\DANE\BAZA.GDB", opens the file in-process), "USER NAME=",
// "PASSWORD=", "SQLDIALECT=" (default 3) and "ENABLE BCD=" (default TRUE: NUMERIC and DECIMAL are
// exact BCD fields; FALSE reads them as Float) and "COMMIT INTERVAL=" (statements between the
// driver's own commits during long loads, default 50,000; see link.h), "LANGDRIVER=" (a Polish driver
// such as "anpolish" makes the connection WIN1250; without one the connection takes the database's default
// character set, see charset.h) and "TIMEOUT=" (seconds, default 60: a server that leaves a call
// unanswered that long is cut off, and a row locked by another attachment is waited for that long at most),
// "CONNECT TIMEOUT=" (seconds, default 15, at most TIMEOUT: a server that does not accept a connection in
// that time is given up).
// "SQLQRYMODE" is accepted and has no effect. No login is ever asked for.
#pragma once

#include <firebird/Interface.h>

#include <memory>
#include <string>
#include <vector>

#include "db/driver.h"
#include "db/firebird/client.h"

namespace db::firebird {

std::unique_ptr<Driver> makeDriver();

struct ConnectOptions {
  std::string location;
  std::string user = "SYSDBA";
  std::string password;
  unsigned dialect = 3;
  bool enableBcd = true;
  int commitInterval = 50000;
  // The connection's character set; empty: the database's default (see charset.h).
  std::string charset;
  // Seconds a server may leave a call unanswered, and a row lock may be waited for.
  int timeout = 60;
  // Seconds a server may take to accept a connection (at most `timeout`).
  int connectTimeout = 15;
  // The session's silent servers (see db::SilentServers); none: every server is tried in full.
  std::shared_ptr<db::SilentServers> silence;
};

// Options from the parameter lines; EngineError (kConnect) without a location.
ConnectOptions connectOptions(const std::vector<std::string>& params);
// Whether the location names a server ("server:path"), not a file for the in-process engine.
bool throughServer(const std::string& location);
// The server a location names ("host" of "host:path", "host/3051" of "host/3051:path"); empty for a file.
std::string serverOf(const std::string& location);
// The location handed to the client: drive paths are mapped to host paths, the rest is unchanged.
std::string attachLocation(const std::string& location);
// Attaches (or creates) the database; EngineError (kConnect) on failure.
Ref<Firebird::IAttachment> attach(const ConnectOptions& options, bool create,
                                  const std::string& charset = "WIN1250");
// Creates an empty database with the options' dialect and the given default character set.
void createDatabase(const ConnectOptions& options, const std::string& charset = "WIN1250");
// Drops the database (it must not be in use).
void dropDatabase(const ConnectOptions& options);

}  // namespace db::firebird

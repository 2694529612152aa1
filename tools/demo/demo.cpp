#include "tools/demo/demo.h"

#include <fmt/format.h>
#include <sys/stat.h>

#include <fstream>
#include <stdexcept>

#include "platform/cp1250.h"
#include "tools/demo/firebird_schema.h"

namespace konw::demo {

namespace fs = std::filesystem;

namespace {

// Windows text files, as the product's installer writes them: Windows-1250, lines ending with CR LF. A
// line with a character the code page lacks (a host path in another script) cannot be written so.
void writeWindowsText(const fs::path& file, const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) {
    const std::string encoded = utf8ToCp1250(l);
    if (cp1250ToUtf8(encoded) != l)
      throw std::runtime_error(file.string() + ": the line \"" + l + "\" cannot be written in Windows-1250");
    text += encoded + "\r\n";
  }
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

// Where a database lies and how the product's INI names it.
struct DatabaseLocation {
  fs::path file;        // host file
  std::string gdbPath;  // the INI's GDBPath
  std::string create;   // the location isql-fb creates
};

DatabaseLocation databaseLocation(const fs::path& dir, const std::string& server, const std::string& name) {
  DatabaseLocation loc;
  loc.file = dir / "drive_c" / "Kalmiro" / "BAZA" / name;
  if (server.empty()) {
    loc.gdbPath = "C:\\Kalmiro\\BAZA\\" + name;
    loc.create = loc.file.string();
  } else {
    loc.gdbPath = server + ":" + loc.file.string();
    loc.create = loc.gdbPath;
  }
  return loc;
}

void writeConfiguration(const fs::path& dir, const DatabaseLocation& jst, const DatabaseLocation& jb) {
  // The product's INI lies on drive C: of the prefix; both editions are installed.
  writeWindowsText(dir / "wine" / "drive_c" / "windows" / "win.ini",
                   {"[windows]", "load=", "run=", "", "[VELMARO]", "Kalmiro=C:\\Kalmiro\\Kalmiro.ini",
                    "DIZEZ=C:\\Kalmiro\\Kalmiro.ini", ""});
  writeWindowsText(
      dir / "drive_c" / "Kalmiro" / "Kalmiro.ini",
      {"; Konfiguracja stanowisk systemu Kalmiro", "[configJST]", "PathMain=C:\\Kalmiro\\",
       "Drukarka=domyslna", "", "[configKalmiro]", "PathData=C:\\Kalmiro\\DANE\\", "GDBPath=" + jst.gdbPath,
       "", "[configJB]", "PathData=C:\\Kalmiro\\DANEJB\\", "GDBPath=" + jb.gdbPath, "",
       "; stanowisko w księgowości (inny komputer)", "[00E04C6A1B2F]", "PathData=\\\\SERWER\\Kalmiro\\DANE\\",
       "GDBPath=serwer:/var/lib/kalmiro/KALMIRO.FDB", ""});
  const fs::path dosdevices = dir / "wine" / "dosdevices";
  fs::create_directories(dosdevices);
  // Relative, so that the whole demo directory can be moved.
  fs::create_directory_symlink(fs::path("..") / ".." / "drive_c", dosdevices / "c:");
}

bool emptyOrMissing(const fs::path& dir) {
  std::error_code ec;
  if (!fs::exists(dir, ec)) return true;
  if (!fs::is_directory(dir, ec)) throw std::runtime_error(dir.string() + " is not a directory");
  return fs::is_empty(dir, ec);
}

}  // namespace

Summary createDemo(const Options& options) {
  if (options.rows < 0) throw std::runtime_error("the row count must not be negative");
  const fs::path dir = fs::absolute(options.dir).lexically_normal();
  if (!emptyOrMissing(dir)) {
    if (!options.force)
      throw std::runtime_error(dir.string() +
                               " is not empty; use --force to replace the demo installation there");
    // Only what a demo creates is removed; anything else the operator keeps there stays.
    for (const char* part : {".complete", "wine", "drive_c"}) fs::remove_all(dir / part);
  }
  fs::create_directories(dir);

  const DatabaseLocation jstDb = databaseLocation(dir, options.server, "KALMIRO.FDB");
  const DatabaseLocation jbDb = databaseLocation(dir, options.server, "KALMIROJB.FDB");
  writeConfiguration(dir, jstDb, jbDb);

  const fs::path main = dir / "drive_c" / "Kalmiro";
  Summary summary;
  std::vector<DemoTable> jst = buildCatalogue(options.rows, false);
  const std::vector<std::string> schema = schemaStatements(jst);
  writeControlTables(main / "KONWERSJA", jst);
  for (const auto& t : jst) {
    if (!t.fb.empty()) ++summary.firebirdTables;
    if (t.writePdx && !t.pdx.empty()) ++summary.paradoxTables;
  }
  summary.paradoxRows = writeParadoxTables(main / "DANE", jst);
  std::vector<DemoTable> jb = buildCatalogue(options.rows, true);
  summary.paradoxRows += writeParadoxTables(main / "DANEJB", jb);

  if (options.firebird) {
    fs::create_directories(jstDb.file.parent_path());
    // A server runs as its own user, which must be able to create the files.
    if (!options.server.empty())
      fs::permissions(jstDb.file.parent_path(), fs::perms::all, fs::perm_options::replace);
    createDatabase(jstDb.create, schema);
    // Both editions start from the same schema. A local file is copied (the schema takes seconds to
    // build); a server's files belong to the server, so it builds the second one itself.
    if (options.server.empty())
      fs::copy_file(jstDb.file, jbDb.file, fs::copy_options::overwrite_existing);
    else
      createDatabase(jbDb.create, schema);
    summary.databases = {jstDb.gdbPath, jbDb.gdbPath};
  }
  writeWindowsText(dir / ".complete", {fmt::format("rows={}", options.rows)});
  return summary;
}

}  // namespace konw::demo

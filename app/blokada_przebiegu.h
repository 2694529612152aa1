// One conversion per installation: from its start to its end a run holds an exclusive lock on the file
// "KonwersjaTrwa.lock" of the control directory (the control tables and the triggers' journal that every
// run of the installation shares), and writes into it who holds it. A second run, or the start of the
// program, finds the lock taken and says by whom, before it changes anything.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace konw {

class BlokadaPrzebiegu {
 public:
  static constexpr const char* kNazwaPliku = "KonwersjaTrwa.lock";

  BlokadaPrzebiegu() = default;
  ~BlokadaPrzebiegu() { Zwolnij(); }
  BlokadaPrzebiegu(const BlokadaPrzebiegu&) = delete;
  BlokadaPrzebiegu& operator=(const BlokadaPrzebiegu&) = delete;

  // Takes the lock of the control directory `katalog` (a host path) for this process and records
  // `kto` in it (the program, the database). Returns the operator's message when another process holds
  // it; none when taken, and also when the directory cannot hold a lock file (nothing to share then).
  std::optional<std::string> Zajmij(const std::filesystem::path& katalog, const std::string& kto);
  void Zwolnij() noexcept;
  bool zajeta() const { return fd_ >= 0; }

  // The operator's message when another process holds the lock of `katalog`; none when it is free.
  static std::optional<std::string> KtoTrzyma(const std::filesystem::path& katalog);

 private:
  int fd_ = -1;
};

}  // namespace konw

// What the logic tests share: a window logic over a ScriptedOperator, and file helpers.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "app/konwersja.h"
#include "app/scripted/scripted_operator.h"
#include "app/widok/projekt_okna.h"
#include "support/scratch_dir.h"

namespace konw::test_support {

inline std::string readBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

class LogicTest : public ::testing::Test {
 protected:
  LogicTest() : frm(ui, {}, (dir.path / "konwersja").string()) {
    frm.wyjatki.ErrorLog = (dir.path / "konwersja.log").string();
    frm.wyjatki.faktySystemu = [] {
      return SystemFacts{"Linux", 6, 1, 0, "#1 SMP", 1048576, 2097152, 3145728, 4718592};
    };
  }
  // Opens the four log files in the scratch directory, as a run does.
  void openLogs() {
    for (std::size_t k = 0; k < 4; ++k) {
      frm.przebieg.log().logi[k].sciezka = (dir.path / kNazwyLogow[k]).string();
      ASSERT_TRUE(frm.przebieg.log().InitLogFile(frm.przebieg.log().logi[k], true));
    }
  }
  std::vector<std::string> memo(std::size_t category) {
    return ui.memo(std::string(projekt::kMemoStrony[category]));
  }

  test::TempDir dir;
  ScriptedOperator ui;
  TfrmConvert frm;
};

}  // namespace konw::test_support

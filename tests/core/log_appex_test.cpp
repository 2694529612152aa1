#include <algorithm>
#include <regex>

#include "core/log_support.h"
#include "db/error.h"
#include "platform/cp1250.h"
#include "support/env_guard.h"

namespace konw {
namespace {

using test_support::readBytes;
using Lines = std::vector<std::string>;

Lines splitCrLf(const std::string& text) {
  Lines lines;
  std::size_t pos = 0;
  for (std::size_t end; (end = text.find("\r\n", pos)) != std::string::npos; pos = end + 2)
    lines.push_back(text.substr(pos, end - pos));
  if (pos < text.size()) lines.push_back(text.substr(pos) + "<no CR LF>");
  return lines;
}

class ExceptionLogger : public ::testing::Test {
 protected:
  ExceptionLogger() {
    log.ui = &ui;
    log.programPath = (dir.path / "konwersja").string();
    log.ErrorLog = (dir.path / "konwersja.log").string();
    log.formaty = {};  // the neutral formats, whatever the machine's locale
    log.faktySystemu = [] {
      return SystemFacts{"Linux", 6, 1, 0, "#1 SMP", 1572864, 2097152, 3145728, 4718592};
    };
    log.stanOkien = [] {
      return StanOkien{{"frmConvert", "frmLokalizacja"},
                       {"dmKonw"},
                       "Active control: btnKonfig (owner/parent: frmConvert)"};
    };
  }
  // The lines of the log after the common heading (date .. Program), which is checked here too.
  Lines body() {
    Lines all = splitCrLf(cp1250ToUtf8(readBytes(log.ErrorLog)));
    EXPECT_GE(all.size(), 8u);
    if (all.size() < 8) return {};
    EXPECT_EQ(all[0], "");
    EXPECT_TRUE(std::regex_match(all[1], std::regex(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2})"))) << all[1];
    EXPECT_EQ(all[2], "O/S: Linux ver. 6.1 build 0 #1 SMP");
    EXPECT_EQ(all[3], "RAM: 1.5 MB/2.0 MB");
    EXPECT_EQ(all[4], "SWAP: 3.0 MB");
    EXPECT_EQ(all[5], "HDD: 4.5 MB");
    EXPECT_EQ(all[6], "");
    EXPECT_EQ(all[7], "Program: " + log.programPath);
    return Lines(all.begin() + 8, all.end());
  }

  test::TempDir dir;
  ScriptedOperator ui;
  TAppException log;
};

TEST_F(ExceptionLogger, UnhandledEngineErrorGivesErrorAndCodeLines) {
  log.UserName = "jan";
  log.Comment = "uwagi";
  log.HandleException(std::make_exception_ptr(db::EngineError(0x3303, "Błąd SQL")));
  EXPECT_EQ(body(), (Lines{"Info: uwagi", "User: jan", "Created forms: frmConvert, frmLokalizacja",
                           "Created modules: dmKonw", "Active control: btnKonfig (owner/parent: frmConvert)",
                           "", "Error: Błąd SQL", "Error code: 13059", "--------------------"}));
  ASSERT_EQ(ui.boxes().size(), 1u);
  EXPECT_EQ(ui.boxes()[0].kind, MsgKind::Error);
  EXPECT_EQ(ui.boxes()[0].text, "Błąd SQL");
  EXPECT_EQ(ui.boxes()[0].buttons, unsigned(kOk));
}

TEST_F(ExceptionLogger, EveryLineEndsInCrLfAndControlBytesOfValuesAreEscaped) {
  log.stanOkien = [] { return StanOkien{{}, {}, ""}; };
  log.HandleException(std::make_exception_ptr(
      db::EngineError(0x3303,
                      "violation of PRIMARY KEY\nProblematic key value is (\"ID\" = 'a\x01"
                      "b\xC2\x81')")));
  const std::string plik = readBytes(log.ErrorLog);
  EXPECT_EQ(std::ranges::count(plik, '\n'), std::ranges::count(plik, '\r')) << "a bare LF or CR";
  EXPECT_EQ(plik.find('\x01'), std::string::npos);
  const Lines b = body();
  ASSERT_GE(b.size(), 4u);
  EXPECT_EQ(Lines(b.end() - 4, b.end() - 1),
            (Lines{"Error: violation of PRIMARY KEY", "Problematic key value is (\"ID\" = 'a\\x01b\\x81')",
                   "Error code: 13059"}));
}

TEST_F(ExceptionLogger, OtherErrorsHaveNoCodeAndDataControlsAreNotLogged) {
  log.stanOkien = [] { return StanOkien{{}, {}, ""}; };
  log.HandleException(std::make_exception_ptr(std::runtime_error("zwykły")));
  EXPECT_EQ(body(),
            (Lines{"Created forms:", "Created modules:", "", "", "Error: zwykły", "--------------------"}));

  std::filesystem::remove(log.ErrorLog);
  log.HandleException(std::make_exception_ptr(std::runtime_error("w siatce")), true);
  EXPECT_FALSE(std::filesystem::exists(log.ErrorLog));
  EXPECT_EQ(ui.boxes().back().text, "w siatce");
}

TEST_F(ExceptionLogger, ReportWithOnlyAProcedureEndsWithAnEmptyLineAndShowsNothing) {
  log.ReportError("", "", "TfrmConvert.FormCreate");
  EXPECT_EQ(body(), (Lines{"Created forms: frmConvert, frmLokalizacja", "Created modules: dmKonw",
                           "Active control: btnKonfig (owner/parent: frmConvert)",
                           "Procedure/function: TfrmConvert.FormCreate", "", "--------------------"}));
  EXPECT_TRUE(ui.boxes().empty());
}

TEST_F(ExceptionLogger, ReportInsideAHandlerCarriesMessageCommentAndError) {
  try {
    throw db::EngineError(db::errc::kConnect, "odmowa");
  } catch (...) {
    log.ReportError("(JestWKonwersji=false; JestWOnCreate=true)", "Brak dostępu",
                    "TfrmConvert.UstawSciezkiDoBaz");
  }
  try {
    throw std::runtime_error("bez komunikatu");
  } catch (...) {
    log.ReportError("", "", "P");
  }
  const Lines first = body();
  ASSERT_GE(first.size(), 5u);
  EXPECT_EQ(first[3], "Procedure/function: TfrmConvert.UstawSciezkiDoBaz");
  Lines lines = splitCrLf(cp1250ToUtf8(readBytes(log.ErrorLog)));
  auto at = [&](const std::string& s) { return std::find(lines.begin(), lines.end(), s) - lines.begin(); };
  const auto message = at("Message: Brak dostępu");
  ASSERT_LT(message, static_cast<long>(lines.size()));
  EXPECT_EQ(lines[message - 1], "");
  EXPECT_EQ(lines[message - 2], "(JestWKonwersji=false; JestWOnCreate=true)");
  EXPECT_EQ(lines[message + 1], "Error: odmowa");
  EXPECT_EQ(lines[message + 2], "Error code: 11272");
  EXPECT_EQ(lines[message + 3], "--------------------");
  const auto second = at("Procedure/function: P");
  ASSERT_LT(second, static_cast<long>(lines.size()));
  EXPECT_EQ(lines[second + 1], "");
  EXPECT_EQ(lines[second + 2], "Error: bez komunikatu");
  EXPECT_EQ(lines[second + 3], "--------------------");
  ASSERT_EQ(ui.boxes().size(), 1u);
  EXPECT_EQ(ui.boxes()[0].caption, "BŁĄD");
  EXPECT_EQ(ui.boxes()[0].text, "Brak dostępu");
}

TEST_F(ExceptionLogger, LogWithoutAUsableDirectoryGoesBesideTheProgram) {
  log.ErrorLog = "except.log";
  log.ReportError("", "", "P");
  EXPECT_EQ(log.ErrorLog, (dir.path / "except.log").string());
  EXPECT_TRUE(std::filesystem::exists(dir.path / "except.log"));

  log.ErrorLog = "C:\\NIEMA\\konw.log";
  ::setenv("KONWERSJA_DRIVE_C", (dir.path / "c").c_str(), 1);
  log.ReportError("", "", "P");
  ::unsetenv("KONWERSJA_DRIVE_C");
  EXPECT_EQ(log.ErrorLog, (dir.path / "konw.log").string());
}

TEST_F(ExceptionLogger, WriteFailureFallsBackToOneBoxWithTheReason) {
  std::filesystem::create_directories(log.ErrorLog);  // a directory cannot be appended to
  log.stanOkien = [] { return StanOkien{{"frmConvert"}, {}, ""}; };
  log.HandleException(std::make_exception_ptr(db::EngineError(1, "pierwotny")));
  ASSERT_EQ(ui.boxes().size(), 1u);
  const std::string text = ui.boxes()[0].text;
  EXPECT_EQ(ui.boxes()[0].caption, "BŁĄD");
  EXPECT_EQ(
      text.rfind(
          "Wystąpił błąd: \r\nCreated forms: frmConvert\r\nCreated modules:\r\n\r\n\r\nError: pierwotny\r\n"
          "Error code: 1\r\n\r\nUwaga: nie powiodła się próba zapisu treści tego błędu do pliku: \r\n" +
              log.ErrorLog + "\r\n\r\nz powodu błędu: \r\n",
          0),
      0u)
      << text;
  EXPECT_NE(text.find("Is a directory"), std::string::npos);

  ui.clearBoxes();
  log.ReportError("", "Komunikat", "P");
  ASSERT_EQ(ui.boxes().size(), 1u);
  EXPECT_EQ(ui.boxes()[0].text.rfind(
                "Uwaga: nie powiodła się próba zapisu treści wyjątku/błędu: \r\nKomunikat\r\n\r\n"
                "do pliku: \r\n" +
                    log.ErrorLog + "\r\n\r\nz powodu błędu: \r\n",
                0),
            0u);
  ui.clearBoxes();
  log.ReportError("", "", "P");
  ASSERT_EQ(ui.boxes().size(), 1u);
  EXPECT_EQ(
      ui.boxes()[0].text.rfind("Uwaga: nie powiodła się próba zapisu treści wyjątku/błędu do pliku: \r\n", 0),
      0u);
}

TEST(LocaleFormats, DateAndNumbersFollowTheFormatsGiven) {
  std::tm t{};
  t.tm_year = 126, t.tm_mon = 11, t.tm_mday = 7, t.tm_hour = 9, t.tm_min = 5, t.tm_sec = 3;
  const FormatyLokalu polskie{"%d.%m.%Y", "%T", ","};
  const struct {
    const char* nazwa;
    FormatyLokalu formaty;
    std::string data, liczba, calkowita;
  } przypadki[] = {
      {"neutral", {}, "2026-12-07 09:05:03", "1536.5", "2"},
      {"Polish", polskie, "07.12.2026 09:05:03", "1536,5", "2"},
      {"separator of two bytes", {"%d/%m/%Y", "%H.%M", "\u066B"}, "07/12/2026 09.05", "1536\u066B5", "2"},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.nazwa);
    EXPECT_EQ(ZapiszDate(t, p.formaty), p.data);
    EXPECT_EQ(ZapiszLiczbe(1536.46, 1, p.formaty), p.liczba);
    EXPECT_EQ(ZapiszLiczbe(1.6, 0, p.formaty), p.calkowita);
  }
}

TEST(LocaleFormats, TheNeutralLocaleKeepsTheFullDate) {
  // The only locales every machine has: the neutral one writes its two-digit-year date in full.
  for (const char* nazwa : {"C", "C.UTF-8", "POSIX"}) {
    test::EnvGuard lcAll("LC_ALL", nazwa);
    const FormatyLokalu f = FormatyLokalu::systemu();
    EXPECT_EQ(f.data, "%Y-%m-%d") << nazwa;
    EXPECT_EQ(f.czas, "%H:%M:%S") << nazwa;
    EXPECT_EQ(f.przecinek, ".") << nazwa;
  }
}

TEST_F(ExceptionLogger, BlockIsWrittenInTheLocalesFormats) {
  log.formaty = {"%d.%m.%Y", "%T", ","};
  log.HandleException(std::make_exception_ptr(std::runtime_error("x")));
  const Lines all = splitCrLf(cp1250ToUtf8(readBytes(log.ErrorLog)));
  ASSERT_GE(all.size(), 6u);
  EXPECT_TRUE(std::regex_match(all[1], std::regex(R"(\d{2}\.\d{2}\.\d{4} \d{2}:\d{2}:\d{2})"))) << all[1];
  EXPECT_EQ(all[3], "RAM: 1,5 MB/2,0 MB");
  EXPECT_EQ(all[4], "SWAP: 3,0 MB");
  EXPECT_EQ(all[5], "HDD: 4,5 MB");
}

}  // namespace
}  // namespace konw

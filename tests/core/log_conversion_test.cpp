#include <ctime>
#include <regex>

#include "core/log_support.h"
#include "db/error.h"
#include "log/conversion_log.h"
#include "platform/cp1250.h"

namespace konw {
namespace {

using namespace std::string_literals;

using test_support::LogicTest;
using test_support::readBytes;
using test_support::writeBytes;
using Lines = std::vector<std::string>;

const std::string kKreski(30, '-');

class ConversionLog : public LogicTest {};

TEST_F(ConversionLog, SectionOpeningsGoOnlyWhereSomethingIsWritten) {
  openLogs();
  frm.przebieg.log().NaglowekDoZapisu = {false, true, true, true};
  frm.ZapiszKomunikat("pierwszy", kBledy);
  frm.ZapiszKomunikat("drugi", kBledy);
  EXPECT_EQ(memo(2), (Lines{" ", kKreski, "", "pierwszy", "drugi"}));

  frm.ZapiszKomunikat("ogólny", kOgolny);
  EXPECT_EQ(memo(0), (Lines{"ogólny"}));

  frm.ZapiszKomunikat("oba", kOgolny | kDodatkoweInfo);
  EXPECT_EQ(memo(0), (Lines{"ogólny", "oba"}));
  EXPECT_EQ(memo(1), (Lines{" ", kKreski, "", "oba"}));
  EXPECT_TRUE(memo(3).empty());
  EXPECT_TRUE(frm.przebieg.log().NaglowekDoZapisu[3]);
  EXPECT_FALSE(frm.przebieg.flagi().Niezgodnosc || frm.przebieg.flagi().NiezgodnoscKrytyczna);
}

TEST_F(ConversionLog, MarksRaiseTheirOwnFlagOnly) {
  frm.ZapiszKomunikat("a", kBledy, kNiezgodnosc);
  EXPECT_TRUE(frm.przebieg.flagi().Niezgodnosc);
  EXPECT_FALSE(frm.przebieg.flagi().NiezgodnoscKrytyczna);
  frm.ZapiszKomunikat("b", kBledyKrytyczne, kNiezgodnoscKrytyczna);
  EXPECT_TRUE(frm.przebieg.flagi().NiezgodnoscKrytyczna);
}

TEST_F(ConversionLog, ErrorBlockNamesTheFirstErrorAndLaterOnesAddEmptyLines) {
  EXPECT_EQ(frm.przebieg.log().TekstBleduBazy(), "");
  openLogs();
  try {
    throw db::EngineError(db::errc::kNotFound, "Nie znaleziono tabeli");
  } catch (...) {
    frm.ZapiszBlad("TfrmConvert.Convert");
  }
  try {
    throw std::runtime_error("drugi");
  } catch (...) {
    EXPECT_EQ(frm.przebieg.log().TekstBleduBazy(), "drugi");
    frm.ZapiszBlad("TfrmConvert.Konwertuj");
  }
  const std::string block =
      "\r\n" + std::string(50, '*') +
      "\r\nBŁĄD W TRAKCIE KONWERSJI DANYCH: \r\nNie znaleziono tabeli\r\nError code: 9985\r\n"
      "Błąd wystąpił w: TfrmConvert.Convert";
  for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(memo(k), (Lines{block, ""})) << k;
  EXPECT_EQ(readBytes(frm.przebieg.log().logi[3].sciezka), utf8ToCp1250(block) + "\r\n\r\n");
  EXPECT_TRUE(frm.przebieg.flagi().BladKonwersji && frm.przebieg.flagi().Niezgodnosc &&
              frm.przebieg.flagi().NiezgodnoscKrytyczna);
}

TEST_F(ConversionLog, FilesAreWindows1250WithCrLfAndAFailedFileStopsTheLine) {
  openLogs();
  frm.przebieg.log().ZapiszLinie("Zażółć\r\nGĘŚLĄ", kWszystkie);
  // Flushed at once: readable while the file is still open.
  EXPECT_EQ(readBytes(frm.przebieg.log().logi[3].sciezka), "Za\xBF\xF3\xB3\xE6\r\nG\xCA\x8CL\xA5\r\n");

  frm.przebieg.log().logi[2].zamknij();
  frm.przebieg.log().ZapiszLinie("po zamknięciu", kWszystkie);
  EXPECT_EQ(readBytes(frm.przebieg.log().logi[1].sciezka),
            "Za\xBF\xF3\xB3\xE6\r\nG\xCA\x8CL\xA5\r\npo zamkni\xEA"
            "ciu\r\n");
  EXPECT_EQ(readBytes(frm.przebieg.log().logi[3].sciezka), "Za\xBF\xF3\xB3\xE6\r\nG\xCA\x8CL\xA5\r\n");
  EXPECT_EQ(memo(2).back(), "po zamknięciu");
  EXPECT_EQ(memo(3).back(), "Zażółć\r\nGĘŚLĄ");
  EXPECT_TRUE(ui.boxes().empty());

  frm.ZamknijPlikiLogow();
  frm.przebieg.log().ZapiszLinie("poza przebiegiem", kWszystkie);
  EXPECT_EQ(memo(0).back(), "poza przebiegiem");
  EXPECT_EQ(memo(1).back(), "po zamknięciu");
}

TEST_F(ConversionLog, ControlAndUndefinedBytesOfValuesAreWrittenEscaped) {
  openLogs();
  // NUL, a tab, U+0081 (the undefined byte 0x81 of Windows-1250 as decoded), DEL and a byte that is no UTF-8.
  frm.przebieg.log().ZapiszLinie("pole: wysłano 'a\0b\tc\xC2\x81\x7F\xFF'\r\nżółw"s, kWszystkie);
  const std::string pokazana = "pole: wysłano 'a\\x00b\\x09c\\x81\\x7f\\xff'\r\nżółw";
  EXPECT_EQ(memo(3).back(), pokazana);
  EXPECT_EQ(readBytes(frm.przebieg.log().logi[3].sciezka), utf8ToCp1250(pokazana) + "\r\n");
}

TEST(LogNames, PaddingAndTimeStamp) {
  EXPECT_EQ(UzupelnijDoDlugosci("5", "0", 2), "05");
  EXPECT_EQ(UzupelnijDoDlugosci("2007", "0", 2), "2007");
  EXPECT_EQ(UzupelnijDoDlugosci("7", "ab", 4), "abab7");
  EXPECT_EQ(UzupelnijDoDlugosci("7", "", 4), "7");
  std::tm t{};
  t.tm_year = 107, t.tm_mon = 2, t.tm_mday = 5, t.tm_hour = 9, t.tm_min = 4, t.tm_sec = 7;
  EXPECT_EQ(NazwaPlikuZDataICzasem("C:\\DANE\\Konwersja.log", t), "C:\\DANE\\Konwersja_20070305090407.log");
}

TEST(LogNames, NumberedNameSkipsExistingFilesEvenPastAHundred) {
  test::TempDir dir;
  const std::string base = (dir.path / "Konwersja_20070305090407.log").string();
  const std::string stem = (dir.path / "Konwersja_20070305090407").string();
  EXPECT_EQ(NazwaPlikuZNumerem(base), stem + "1.log");
  writeBytes(stem + "1.log", "");
  writeBytes(stem + "2.log", "x");
  EXPECT_EQ(NazwaPlikuZNumerem(base), stem + "3.log");
  for (int i = 3; i <= 100; ++i) writeBytes(stem + std::to_string(i) + ".log", "x");
  EXPECT_EQ(NazwaPlikuZNumerem(base), stem + "101.log");
}

class InitLog : public LogicTest {
 protected:
  // Files for this second and the next few, so the run's time stamp meets one of them.
  std::vector<std::string> prepare(const std::string& content) {
    std::vector<std::string> names;
    std::time_t now = std::time(nullptr);
    for (int s = 0; s < 4; ++s) {
      std::time_t t = now + s;
      std::tm local{};
      localtime_r(&t, &local);
      names.push_back(NazwaPlikuZDataICzasem((dir.path / "Konwersja.log").string(), local));
      writeBytes(names.back(), content);
    }
    return names;
  }
  PlikLogu log;
};

TEST_F(InitLog, ExistingFileWithDataAndAnswerNoGetsANumberedName) {
  const auto names = prepare("stary log\r\n");
  log.sciezka = (dir.path / "Konwersja.log").string();
  ui.answer(kNo);
  ASSERT_TRUE(frm.przebieg.log().InitLogFile(log, true));
  ASSERT_EQ(ui.boxes().size(), 1u);
  EXPECT_EQ(ui.boxes()[0].kind, MsgKind::Warning);
  EXPECT_EQ(ui.boxes()[0].caption, "Kalmiro - konwersja danych");
  EXPECT_EQ(ui.boxes()[0].buttons, unsigned(kYes | kNo));
  EXPECT_EQ(ui.boxes()[0].text,
            "Plik z logiem konwersji już istnieje i zawiera dane. Czy chcesz aby program nadpisał te dane? W "
            "przeciwnym wypadku zostanie utworzony nowy plik.");
  bool numbered = false;
  for (const auto& n : names) numbered = numbered || log.sciezka == n.substr(0, n.size() - 4) + "1.log";
  EXPECT_TRUE(numbered) << log.sciezka;
  EXPECT_TRUE(log.otwarty());
  log.zamknij();
}

TEST_F(InitLog, AnswerYesOverwritesAndBlankFileIsNotAsked) {
  prepare("stary log");
  log.sciezka = (dir.path / "Konwersja.log").string();
  ui.answer(kYes);
  ASSERT_TRUE(frm.przebieg.log().InitLogFile(log, true));
  log.zamknij();
  EXPECT_EQ(readBytes(log.sciezka), "");

  ui.clearBoxes();
  prepare(" \t\r\n");
  log.sciezka = (dir.path / "Konwersja.log").string();
  ASSERT_TRUE(frm.przebieg.log().InitLogFile(log, true));
  log.zamknij();
  EXPECT_TRUE(ui.boxes().empty());
  EXPECT_TRUE(std::regex_search(log.sciezka, std::regex(R"(/Konwersja_\d{14}\.log$)"))) << log.sciezka;
}

TEST_F(InitLog, FileThatCannotBeCreatedIsReported) {
  log.sciezka = (dir.path / "brak" / "Konwersja.log").string();
  EXPECT_FALSE(frm.przebieg.log().InitLogFile(log, true));
  EXPECT_FALSE(log.otwarty());
  EXPECT_TRUE(frm.przebieg.flagi().BladKonwersji);
  ASSERT_EQ(ui.boxes().size(), 1u);
  EXPECT_EQ(ui.boxes()[0].caption, "BŁĄD");
  EXPECT_EQ(ui.boxes()[0].text,
            "Błąd w trakcie tworzenia pliku służącego do zapisu przebiegu konwersji: \r\n" + log.sciezka);
  const std::string errorLog = cp1250ToUtf8(readBytes(frm.wyjatki.ErrorLog));
  EXPECT_NE(errorLog.find("Procedure/function: TfrmConvert.InitLogFile\r\n"), std::string::npos);
  EXPECT_NE(errorLog.find("\r\nMessage: Błąd w trakcie tworzenia pliku"), std::string::npos);
  EXPECT_NE(errorLog.find("No such file or directory"), std::string::npos);
}

}  // namespace
}  // namespace konw

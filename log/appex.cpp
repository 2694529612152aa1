// TAppException: the diagnostic blocks of the error log, and the boxes that show errors.
#include "log/appex.h"

#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "db/error.h"
#include "platform/cp1250.h"
#include "platform/hostpath.h"
#include "platform/operator.h"
#include "platform/sysfacts.h"
#include "platform/text.h"

namespace konw {

namespace {

constexpr const char* kCrLf = "\r\n";

std::string lista(const char* title, const std::vector<std::string>& names) {
  std::string s = title;
  for (std::size_t i = 0; i < names.size(); ++i) s += (i == 0 ? " " : ", ") + names[i];
  return s;
}

std::string megabajty(double bytes, const FormatyLokalu& formaty) {
  return ZapiszLiczbe(bytes / 1048576.0, 1, formaty) + " MB";
}

// The directory part of a location, with its separator ("C:\Prog\" of "C:\Prog\konw.log").
std::string czescKatalogu(const std::string& path) {
  auto pos = path.find_last_of("\\/:");
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string czescNazwy(const std::string& path) {
  auto pos = path.find_last_of("\\/:");
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

bool katalogIstnieje(const std::string& dir) {
  if (dir.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_directory(hostPath(dir), ec);
}

struct Blad {
  std::string message;
  bool engine = false;
  unsigned code = 0;
};

// The message of an exception, and the engine's code when it is an engine error.
bool opisz(const std::exception_ptr& error, Blad& out) {
  if (!error) return false;
  try {
    std::rethrow_exception(error);
  } catch (const db::EngineError& e) {
    out = {e.what(), true, e.code()};
  } catch (const std::exception& e) {
    out = {e.what(), false, 0};
  } catch (...) {
    out = {"Nieznany wyjątek", false, 0};
  }
  return true;
}

}  // namespace

FormatyLokalu FormatyLokalu::systemu() {
  FormatyLokalu f;
  // A locale of its own: the process's global one (which a window library may have set) stays out of it.
  locale_t l = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
  if (!l) return f;
  const std::string data = nl_langinfo_l(D_FMT, l);
  const std::string czas = nl_langinfo_l(T_FMT, l);
  const std::string przecinek = nl_langinfo_l(RADIXCHAR, l);
  freelocale(l);
  if (!data.empty() && data != "%m/%d/%y") f.data = data;
  if (!czas.empty()) f.czas = czas;
  if (!przecinek.empty()) f.przecinek = przecinek;
  return f;
}

std::string ZapiszDate(const std::tm& when, const FormatyLokalu& formaty) {
  char buf[256];
  const std::string format = formaty.data + " " + formaty.czas;
  const std::size_t n = std::strftime(buf, sizeof buf, format.c_str(), &when);
  return std::string(buf, n);
}

std::string ZapiszLiczbe(double value, int miejsc, const FormatyLokalu& formaty) {
  char buf[128];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, miejsc);
  if (ec != std::errc()) return "?";
  std::string text(buf, end);
  if (const auto kropka = text.find('.'); kropka != std::string::npos)
    text.replace(kropka, 1, formaty.przecinek);
  return text;
}

TAppException::TAppException() {
  if (ErrorLog.empty()) ErrorLog = "except.log";
  Active = true;
}

std::string TAppException::naglowekCiala() const {
  std::string body = "Created forms:";
  std::string modules = "Created modules:";
  std::string active;
  try {
    if (stanOkien) {
      StanOkien s = stanOkien();
      body = lista("Created forms:", s.forms);
      modules = lista("Created modules:", s.modules);
      active = s.activeControlLine;
    }
  } catch (...) {
    // What could be learnt about the window is enough; the error itself matters more.
  }
  return body + kCrLf + modules + kCrLf + active + kCrLf;
}

void TAppException::WriteErrorLog(const std::string& body) {
  if (!katalogIstnieje(czescKatalogu(ErrorLog))) ErrorLog = czescKatalogu(programPath) + czescNazwy(ErrorLog);

  SystemFacts f = faktySystemu ? faktySystemu() : readSystemFacts();
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const std::string when = ZapiszDate(local, formaty);

  std::string block;
  block += kCrLf;
  block += when + kCrLf;
  block += "O/S: " + f.platform + " ver. " + std::to_string(f.major) + "." + std::to_string(f.minor) +
           " build " + std::to_string(f.build) + " " + f.servicePack + kCrLf;
  block += "RAM: " + megabajty(f.ramAvailable, formaty) + "/" + megabajty(f.ramTotal, formaty) + kCrLf;
  block += "SWAP: " + megabajty(f.swapFree, formaty) + kCrLf;
  block += "HDD: " + megabajty(f.diskFree, formaty) + kCrLf;
  block += kCrLf;
  block += "Program: " + programPath + kCrLf;
  if (!Comment.empty()) block += "Info: " + Comment + kCrLf;
  if (!UserName.empty()) block += "User: " + UserName + kCrLf;
  block += body + kCrLf;
  block += std::string(20, '-') + kCrLf;

  const std::filesystem::path host = hostPath(ErrorLog);
  std::FILE* file = std::fopen(host.c_str(), "ab");
  if (!file) throw std::system_error(errno, std::generic_category(), ErrorLog);
  // Engine messages may part their lines with a bare LF, and values quoted in them may hold control
  // bytes: the file's lines all end in CR LF, and what is no text is escaped.
  const std::string bytes = utf8ToCp1250(crLf(escapeControls(block)));
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  int err = errno;
  ok = (std::fclose(file) == 0) && ok;
  if (!ok) throw std::system_error(err ? err : EIO, std::generic_category(), ErrorLog);
}

void TAppException::HandleException(const std::exception_ptr& error, bool senderIsDataControl) {
  Blad e;
  opisz(error, e);
  std::string body;
  try {
    body = naglowekCiala() + kCrLf + "Error: " + e.message;
    if (e.engine) body += std::string(kCrLf) + "Error code: " + std::to_string(e.code);
    if (Active && !senderIsDataControl) WriteErrorLog(body);
    if (ui) ui->messageBox(MsgKind::Error, kApplicationTitle, e.message, kOk, kOk);
  } catch (const std::exception& e2) {
    if (ui)
      ui->messageBox(MsgKind::Error, "BŁĄD",
                     "Wystąpił błąd: \r\n" + body + "\r\n\r\n" +
                         "Uwaga: nie powiodła się próba zapisu treści tego błędu do pliku: \r\n" + ErrorLog +
                         "\r\n\r\nz powodu błędu: \r\n" + e2.what(),
                     kOk, kOk);
  }
}

void TAppException::ReportError(const std::string& comment, const std::string& message,
                                const std::string& procedure) {
  Blad e;
  const bool handling = opisz(std::current_exception(), e);
  try {
    if (Active) {
      std::string body = naglowekCiala();
      if (!procedure.empty()) body += "Procedure/function: " + procedure + kCrLf;
      if (!comment.empty()) body += comment + kCrLf;
      if (!message.empty()) body += std::string(kCrLf) + "Message: " + message;
      if (handling) {
        // After a message line the error follows on the next line; otherwise an empty line parts it
        // from the heading lines, which end with a line break.
        body += std::string(kCrLf) + "Error: " + e.message;
        if (e.engine) body += std::string(kCrLf) + "Error code: " + std::to_string(e.code);
      }
      WriteErrorLog(body);
    }
    if (!message.empty() && ui) ui->messageBox(MsgKind::Error, "BŁĄD", message, kOk, kOk);
  } catch (const std::exception& e2) {
    if (ui)
      ui->messageBox(MsgKind::Error, "BŁĄD",
                     std::string("Uwaga: nie powiodła się próba zapisu treści wyjątku/błędu") +
                         (message.empty() ? " " : ": \r\n" + message + "\r\n\r\n") + "do pliku: \r\n" +
                         ErrorLog + "\r\n\r\nz powodu błędu: \r\n" + e2.what(),
                     kOk, kOk);
  }
}

}  // namespace konw

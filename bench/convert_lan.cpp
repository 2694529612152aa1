// A whole conversion through a Firebird server across an office network, against the same through the
// same path without its delay: the demo's server is reached through a relay of this program's own that
// holds every chunk DELAY_MS in each direction before passing it on (half of it each way: a round trip of
// DELAY_MS). The relay without delay and with it alternate; the last line is
// "convert-lan: <time without delay / time with it>", the median of that ratio over the rounds.
// The relay also counts round trips (a turn of a connection: the client speaks after the server has), and
// the first round says where they went: start-up, each table from its start to the next, the run's end.
//   bench/run convert-lan [ROWS] [DELAY_MS] [ROUNDS]   (defaults 100,000 rows, 1 ms, 3 rounds; the server
//                                                      is KONWERSJA_TEST_FB_SERVER, default 127.0.0.1)
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/convert_support.h"
#include "tools/demo/tables.h"

namespace {

using Zegar = std::chrono::steady_clock;

// Which side of a relayed connection spoke last: a round trip starts when the client speaks after the
// server (or first).
struct Rozmowa {
  std::atomic<bool> serwerMowil{true};
};

// One direction of a relayed connection: what is read is written DELAY later, in order.
struct Kierunek {
  int z = -1, do_ = -1;
  bool odKlienta = false;
  std::shared_ptr<Rozmowa> rozmowa;
  std::shared_ptr<std::atomic<std::int64_t>> obroty;
  std::mutex m;
  std::condition_variable cv;
  std::deque<std::pair<Zegar::time_point, std::string>> kolejka;
  bool koniec = false;
};

class Przekaznik {
 public:
  Przekaznik(const std::string& host, int port) : host_(host), portSerwera_(port) {
    nasluch_ = ::socket(AF_INET, SOCK_STREAM, 0);
    const int tak = 1;
    ::setsockopt(nasluch_, SOL_SOCKET, SO_REUSEADDR, &tak, sizeof tak);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(nasluch_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(nasluch_, 16) != 0)
      throw std::runtime_error("relay: cannot listen");
    socklen_t n = sizeof a;
    ::getsockname(nasluch_, reinterpret_cast<sockaddr*>(&a), &n);
    port_ = ntohs(a.sin_port);
    watek_ = std::thread([this] { przyjmuj(); });
  }
  ~Przekaznik() {
    ::shutdown(nasluch_, SHUT_RDWR);
    ::close(nasluch_);
    watek_.join();
  }
  int port() const { return port_; }
  void opoznienie(std::chrono::microseconds us) { *opoznienie_ = us.count(); }
  // Round trips of every connection so far.
  std::int64_t obroty() const { return obroty_->load(); }

 private:
  int polaczZSerwerem() const {
    addrinfo wskazowki{}, *wynik = nullptr;
    wskazowki.ai_family = AF_INET;
    wskazowki.ai_socktype = SOCK_STREAM;
    if (::getaddrinfo(host_.c_str(), std::to_string(portSerwera_).c_str(), &wskazowki, &wynik) != 0)
      return -1;
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    const bool ok = ::connect(s, wynik->ai_addr, wynik->ai_addrlen) == 0;
    ::freeaddrinfo(wynik);
    if (!ok) {
      ::close(s);
      return -1;
    }
    return s;
  }
  void przyjmuj() {
    for (;;) {
      const int klient = ::accept(nasluch_, nullptr, nullptr);
      if (klient < 0) return;
      const int serwer = polaczZSerwerem();
      if (serwer < 0) {
        ::close(klient);
        continue;
      }
      const int tak = 1;
      for (int s : {klient, serwer}) ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &tak, sizeof tak);
      // The threads own their connection; they end when its two sides have closed.
      auto rozmowa = std::make_shared<Rozmowa>();
      for (auto [z, do_] : {std::pair{klient, serwer}, std::pair{serwer, klient}}) {
        auto k = std::make_shared<Kierunek>();
        k->z = z;
        k->do_ = do_;
        k->odKlienta = z == klient;
        k->rozmowa = rozmowa;
        k->obroty = obroty_;
        std::thread([k] { czytaj(*k); }).detach();
        std::thread([k, opoznienie = opoznienie_] { pisz(*k, *opoznienie); }).detach();
      }
    }
  }
  static void czytaj(Kierunek& k) {
    char bufor[65536];
    for (;;) {
      const ssize_t n = ::recv(k.z, bufor, sizeof bufor, 0);
      std::lock_guard lock(k.m);
      if (n <= 0) {
        k.koniec = true;
        k.cv.notify_all();
        return;
      }
      if (!k.odKlienta)
        k.rozmowa->serwerMowil = true;
      else if (k.rozmowa->serwerMowil.exchange(false))
        k.obroty->fetch_add(1);
      k.kolejka.emplace_back(Zegar::now(), std::string(bufor, static_cast<std::size_t>(n)));
      k.cv.notify_all();
    }
  }
  static void pisz(Kierunek& k, const std::atomic<std::int64_t>& opoznienie) {
    for (;;) {
      std::unique_lock lock(k.m);
      k.cv.wait(lock, [&] { return k.koniec || !k.kolejka.empty(); });
      if (k.kolejka.empty()) {
        ::shutdown(k.do_, SHUT_WR);
        return;
      }
      auto [czas, dane] = std::move(k.kolejka.front());
      k.kolejka.pop_front();
      lock.unlock();
      std::this_thread::sleep_until(czas + std::chrono::microseconds(opoznienie.load()));
      for (std::size_t wyslano = 0; wyslano < dane.size();) {
        const ssize_t n = ::send(k.do_, dane.data() + wyslano, dane.size() - wyslano, MSG_NOSIGNAL);
        if (n <= 0) return;
        wyslano += static_cast<std::size_t>(n);
      }
    }
  }

  std::string host_;
  int portSerwera_;
  int nasluch_ = -1;
  int port_ = 0;
  // Shared with the threads of the connections, which may outlive the relay by a moment.
  std::shared_ptr<std::atomic<std::int64_t>> opoznienie_ = std::make_shared<std::atomic<std::int64_t>>(0);
  std::shared_ptr<std::atomic<std::int64_t>> obroty_ = std::make_shared<std::atomic<std::int64_t>>(0);
  std::thread watek_;
};

// The bench's operator that notes the relay's round trips at each table's start and end (the walk steps
// its whole-run bar after every table of the list).
class OperatorLiczacy : public bench::OperatorBench {
 public:
  struct Tabela {
    std::string opis;
    std::int64_t wiersze = 0, obroty = 0;
  };
  explicit OperatorLiczacy(const Przekaznik& p) : p_(p), start_(p.obroty()), znak_(start_) {}

  void showTable(const std::string& opis) override {
    zamknij();
    poczatek_ += p_.obroty() - znak_;
    tabele.push_back({opis, 0, 0});
    znak_ = p_.obroty();
    otwarta_ = true;
    bench::OperatorBench::showTable(opis);
  }
  void setBar(konw::Pasek pasek, int position, int max) override {
    if (pasek == konw::Pasek::Tabela && otwarta_) tabele.back().wiersze = max;
    bench::OperatorBench::setBar(pasek, position, max);
  }
  void stepBar(konw::Pasek pasek) override {
    if (pasek == konw::Pasek::Calosc) zamknij();
    bench::OperatorBench::stepBar(pasek);
  }

  std::vector<Tabela> tabele;
  // Before the first table (start-up, the run's opening) and after the last one (the run's end).
  std::int64_t przed() const { return poczatek_; }
  std::int64_t po() const { return p_.obroty() - znak_; }
  std::int64_t razem() const { return p_.obroty() - start_; }

 private:
  void zamknij() {
    if (!otwarta_) return;
    tabele.back().obroty = p_.obroty() - znak_;
    znak_ = p_.obroty();
    otwarta_ = false;
  }
  const Przekaznik& p_;
  std::int64_t start_, znak_, poczatek_ = 0;
  bool otwarta_ = false;
};

// Where the round trips of one conversion went: the small tables (not scaled by ROWS) and the large.
void wypiszObroty(const OperatorLiczacy& ui, std::int64_t rows) {
  std::map<std::string, bool> duze;
  for (const konw::demo::DemoTable& t : konw::demo::buildCatalogue(rows, false)) duze[t.pdx] = t.large;
  std::int64_t maleObroty = 0, maleWiersze = 0, maks = 0, duzeObroty = 0, duzeWiersze = 0;
  int male = 0;
  std::string najgorsza;
  for (const OperatorLiczacy::Tabela& t : ui.tabele) {
    const std::string pdx = t.opis.substr(0, t.opis.find('/'));
    if (duze[pdx]) {
      duzeObroty += t.obroty;
      duzeWiersze += t.wiersze;
      std::printf("  large table %s: %lld rows, %lld round trips\n", t.opis.c_str(),
                  static_cast<long long>(t.wiersze), static_cast<long long>(t.obroty));
      continue;
    }
    ++male;
    maleObroty += t.obroty;
    maleWiersze += t.wiersze;
    if (t.obroty > maks) {
      maks = t.obroty;
      najgorsza = t.opis;
    }
  }
  std::printf("round trips: %lld in all; %lld before the first table, %lld after the last\n",
              static_cast<long long>(ui.razem()), static_cast<long long>(ui.przed()),
              static_cast<long long>(ui.po()));
  if (male > 0)
    std::printf("round trips per small table: %.1f on average, at most %lld (%s); %d tables, %lld rows\n",
                static_cast<double>(maleObroty) / male, static_cast<long long>(maks), najgorsza.c_str(), male,
                static_cast<long long>(maleWiersze));
  if (duzeWiersze > 0)
    std::printf("round trips per 1,000 rows of the large tables: %.1f\n",
                1000.0 * static_cast<double>(duzeObroty) / static_cast<double>(duzeWiersze));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const std::int64_t rows = argc > 1 ? std::atoll(argv[1]) : 100000;
  const double opoznienieMs = argc > 2 ? std::atof(argv[2]) : 1.0;
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
  if (rows <= 0 || opoznienieMs < 0 || rounds < 1) {
    std::fprintf(stderr, "usage: %s [ROWS] [DELAY_MS] [ROUNDS]\n", argv[0]);
    return 2;
  }
  const char* env = std::getenv("KONWERSJA_TEST_FB_SERVER");
  const std::string server = env && *env ? env : "127.0.0.1";
  int rc = 0;
  bench::fs::path dir;
  try {
    db::registerBuiltinDrivers();
    Przekaznik przekaznik(server, 3050);
    dir = bench::katalogTymczasowy("konw-bench-lan");
    const bench::DemoBench demo =
        bench::zrobDemo(dir, rows, "127.0.0.1/" + std::to_string(przekaznik.port()));
    const auto polowa = std::chrono::microseconds(static_cast<std::int64_t>(opoznienieMs * 500));
    std::vector<double> bez, z;
    for (int r = 0; r < rounds; ++r) {
      for (const bool zOpoznieniem : {false, true}) {
        przekaznik.opoznienie(zOpoznieniem ? polowa : std::chrono::microseconds(0));
        bench::przywroc(demo);
        OperatorLiczacy ui(przekaznik);
        (zOpoznieniem ? z : bez).push_back(bench::konwertuj(demo, ui));
        if (r == 0 && zOpoznieniem) wypiszObroty(ui, rows);
      }
      std::printf("round %d: relay without delay %.2f s, with %.1f ms per round trip %.2f s\n", r + 1,
                  bez.back(), opoznienieMs, z.back());
      std::fflush(stdout);
    }
    std::printf("ratio of the medians: %.2f\n", bench::mediana(bez) / bench::mediana(z));
    std::printf("convert-lan: %.2f\n", bench::medianaIlorazow(bez, z));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "convert-lan failed: %s\n", e.what());
    rc = 1;
  }
  std::error_code ec;
  if (!dir.empty()) bench::fs::remove_all(dir, ec);
  return rc;
}

// Peak resident memory of a whole headless conversion of a demo commune (embedded), with the read-back.
// The demo is made in a child process and the conversion runs in another, so that neither the demo's rows
// nor anything else of this process counts; the last line is "convert-memory: <peak MB>".
//   bench/run convert-memory [ROWS]     (default 1,000,000 rows of the large tables)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>

#include "bench/convert_support.h"

namespace {

// Runs `work` in a child process; its peak resident memory in KiB, or -1 when it failed.
long inChild(const std::function<void()>& work) {
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    int rc = 0;
    try {
      work();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "convert-memory: %s\n", e.what());
      rc = 1;
    }
    std::fflush(stdout);
    _exit(rc);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  const std::int64_t rows = argc > 1 ? std::atoll(argv[1]) : 1000000;
  if (rows <= 0) {
    std::fprintf(stderr, "usage: %s [ROWS]\n", argv[0]);
    return 2;
  }
  int rc = 0;
  bench::fs::path dir;
  try {
    dir = bench::katalogTymczasowy("konw-bench-memory");
    db::registerBuiltinDrivers();
    const long demo = inChild([&] {
      konw::demo::Options o;
      o.dir = dir;
      o.rows = rows;
      o.force = true;
      konw::demo::createDemo(o);
    });
    if (demo < 0) throw std::runtime_error("the demo could not be made");
    const long peak = inChild([&] {
      bench::DemoBench d;
      d.dir = dir;
      bench::OperatorBench ui;
      const double s = bench::konwertuj(d, ui);
      std::printf("conversion of %lld rows: %.2f s\n", static_cast<long long>(rows), s);
    });
    if (peak < 0) throw std::runtime_error("the conversion failed");
    std::printf("peak resident memory of the conversion: %.1f MB (the demo's maker: %.1f MB)\n",
                static_cast<double>(peak) / 1024, static_cast<double>(demo) / 1024);
    std::printf("convert-memory: %.1f\n", static_cast<double>(peak) / 1024);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "convert-memory failed: %s\n", e.what());
    rc = 1;
  }
  std::error_code ec;
  if (!dir.empty()) bench::fs::remove_all(dir, ec);
  return rc;
}

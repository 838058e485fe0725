// Recording sixteen channels at 2 us (the board's top rate, 500,000 words a
// second) with tamrix-cli for TAMRIX_BENCH_SECONDS seconds (default 60):
// the tool's CPU share of one core and the file's size, as a capture, as a
// compressed capture, and as raw words (the baseline: the same words with
// no format at all). A run that loses a word fails. Then, in Debian's
// python3 (TAMRIX_BENCH_PYTHON to change it): the capture read whole with
// tamrix.Capture against the same bytes read from a raw file with numpy,
// and the plot of the whole capture.
//
// Each case runs once (a recording is long); its time is the run's.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char **environ;

namespace {

std::string Folder() {
  static const std::string folder = [] {
    std::string name = "/tmp/tamrix-bench-capture.XXXXXX";
    return mkdtemp(name.data()) ? name : std::string("/tmp");
  }();
  return folder;
}

std::string Seconds() {
  const char *seconds = std::getenv("TAMRIX_BENCH_SECONDS");
  return seconds ? seconds : "60";
}

struct Child {
  int status = -1;
  double cpu_seconds = 0;
  double wall_seconds = 0;
};

Child Run(std::vector<std::string> args) {
  std::vector<char *> argv;
  for (std::string &arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  Child child;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return child;
  rusage usage{};
  if (wait4(pid, &child.status, 0, &usage) != pid) return child;
  child.wall_seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const auto seconds = [](const timeval &time) { return time.tv_sec + time.tv_usec / 1e6; };
  child.cpu_seconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  return child;
}

double FileMiB(const std::string &path) {
  struct stat file {};
  return stat(path.c_str(), &file) == 0 ? file.st_size / 1048576.0 : -1;
}

void Record(benchmark::State &state, const char *format, bool compress, const char *name) {
  const std::string path = Folder() + "/" + name;
  for (auto _ : state) {
    std::vector<std::string> args = {
        TAMRIX_CLI_PATH, "read",     "0",           "--channels", "0-15",
        "--mode",        "3",        "--period-us", "2",          "--seconds",
        Seconds(),       "--format", format,        "--output",   path};
    if (compress) args.emplace_back("--compress");
    const Child child = Run(args);
    if (!WIFEXITED(child.status) || WEXITSTATUS(child.status) != 0) {
      state.SkipWithError("the recording failed (words lost?)");
      return;
    }
    state.SetIterationTime(child.wall_seconds);
    state.counters["cpu_percent"] = 100 * child.cpu_seconds / child.wall_seconds;
    state.counters["file_MiB"] = FileMiB(path);
  }
}

void BM_RecordRaw(benchmark::State &state) { Record(state, "raw", false, "run.bin"); }
void BM_RecordCapture(benchmark::State &state) { Record(state, "hdf5", false, "run.h5"); }
void BM_RecordCompressed(benchmark::State &state) { Record(state, "hdf5", true, "run-z.h5"); }

// The Python side, timed inside the interpreter (its start-up excluded):
// best of five whole reads each way, then one plot.
std::array<double, 3> PythonTimes() {
  static const std::array<double, 3> times = [] {
    std::array<double, 3> result{-1, -1, -1};
    const char *python = std::getenv("TAMRIX_BENCH_PYTHON");
    const std::string script =
        "import sys, time, numpy as np\n"
        "sys.path.insert(0, '" TAMRIX_PACKAGE_SOURCE
        "')\n"
        "import _capture, _plot\n"
        "folder = sys.argv[1]\n"
        "capture = _capture.Capture(folder + '/run.h5')\n"
        "capture.read().tofile(folder + '/same-bytes.bin')\n"
        "def best(read):\n"
        "    times = []\n"
        "    for _ in range(5):\n"
        "        start = time.perf_counter(); read(); times.append(time.perf_counter() - start)\n"
        "    return min(times)\n"
        "whole = best(capture.read)\n"
        "raw = best(lambda: np.fromfile(folder + '/same-bytes.bin', dtype=np.uint16)"
        ".reshape(-1, 16))\n"
        "start = time.perf_counter()\n"
        "_plot.plot(capture, folder + '/run.png')\n"
        "print(whole, raw, time.perf_counter() - start)\n";
    const std::string command = std::string(python ? python : "/usr/bin/python3") + " - " +
                                Folder() + " <<'EOF'\n" + script + "EOF\n";
    if (FILE *pipe = popen(command.c_str(), "r")) {
      if (std::fscanf(pipe, "%lf %lf %lf", &result[0], &result[1], &result[2]) != 3) {
        result = {-1, -1, -1};
      }
      pclose(pipe);
    }
    return result;
  }();
  return times;
}

void Python(benchmark::State &state, int which) {
  for (auto _ : state) {
    const double seconds = PythonTimes()[which];
    if (seconds < 0) {
      state.SkipWithError("the Python side failed (h5py, matplotlib, a capture?)");
      return;
    }
    state.SetIterationTime(seconds);
  }
  state.counters["file_MiB"] = FileMiB(Folder() + "/run.h5");
}

void BM_CaptureReadWhole(benchmark::State &state) { Python(state, 0); }
void BM_RawFileReadWhole(benchmark::State &state) { Python(state, 1); }
void BM_PlotWholeCapture(benchmark::State &state) { Python(state, 2); }

BENCHMARK(BM_RecordRaw)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_RecordCapture)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_RecordCompressed)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_CaptureReadWhole)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawFileReadWhole)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlotWholeCapture)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

// The recordings are large: they go when the benchmarks are done.
int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const std::string folder = Folder();
  if (folder != "/tmp") {
    for (const char *name : {"run.bin", "run.h5", "run-z.h5", "same-bytes.bin", "run.png"}) {
      std::remove((folder + "/" + name).c_str());
    }
    rmdir(folder.c_str());
  }
  return 0;
}

// korven_speed: the engine's speed in one run.
//
//   korven_speed [source-folder] [korven-program]
//
// Prints the in-process time of one analysis (the library call `analyse`)
// of the five-load pile job and of every example, then the whole-process
// time of `korven run` on the job and on the one-problem cantilever example
// beside that of `korven --version` (the process start alone), as medians
// and best times over many repetitions (the best shows the machine least
// disturbed). It measures and prints; it checks nothing.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "korven/analysis.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

#ifndef KORVEN_SOURCE_DIR
#define KORVEN_SOURCE_DIR "."
#endif
#ifndef KORVEN_CLI_PATH
#define KORVEN_CLI_PATH "korven"
#endif

double secondsSince(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n == 0 ? 0.0 : (n % 2 == 1 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]));
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct InProcess {
  double perCall = 0.0;  // seconds per analyse call, median over batches
  double best = 0.0;     // the fastest batch: the machine least disturbed
  int problems = 0;
  int status = 0;
};

// Median over batches of the time per call; batches are sized to take
// about 20 ms each, and about 0.4 s is spent in all.
InProcess timeAnalysis(const std::string& input, const std::string& name) {
  korven::AnalysisOptions options;
  options.inputName = name;
  options.time = korven::DateTime{2024, 1, 1, 0, 0, 0};
  InProcess r;
  {
    const korven::AnalysisResult first = korven::analyse(input, options);
    r.problems = static_cast<int>(first.problems.size());
    r.status = first.status;
  }
  int batch = 1;
  for (;;) {
    const auto t0 = Clock::now();
    for (int i = 0; i < batch; ++i) (void)korven::analyse(input, options);
    if (secondsSince(t0) > 0.02 || batch >= (1 << 20)) break;
    batch *= 2;
  }
  std::vector<double> times;
  const auto start = Clock::now();
  while (times.size() < 5 || (secondsSince(start) < 0.4 && times.size() < 200)) {
    const auto t0 = Clock::now();
    for (int i = 0; i < batch; ++i) (void)korven::analyse(input, options);
    times.push_back(secondsSince(t0) / batch);
  }
  r.perCall = median(times);
  r.best = *std::min_element(times.begin(), times.end());
  return r;
}

// Wall-clock time of one run of the program with the arguments, in the
// folder, its output sent to /dev/null; negative when it cannot be run or
// does not end normally.
double timeProcess(const std::string& program, const std::vector<std::string>& args,
                   const fs::path& folder) {
  std::vector<char*> argv;
  std::vector<std::string> storage;
  storage.push_back(program);
  storage.insert(storage.end(), args.begin(), args.end());
  for (std::string& s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const fs::path here = fs::current_path();
  fs::current_path(folder);
  const auto t0 = Clock::now();
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  int status = 0;
  if (rc == 0) waitpid(pid, &status, 0);
  const double t = secondsSince(t0);
  fs::current_path(here);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1.0;
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path source = argc > 1 ? fs::path(argv[1]) : fs::path(KORVEN_SOURCE_DIR);
  const std::string program = argc > 2 ? argv[2] : KORVEN_CLI_PATH;
  const fs::path job = source / "bench" / "five-load-pile.dat";

  std::vector<fs::path> inputs{job};
  std::vector<fs::path> examples;
  for (const auto& entry : fs::directory_iterator(source / "examples")) {
    if (entry.path().extension() == ".dat") examples.push_back(entry.path());
  }
  std::sort(examples.begin(), examples.end());
  inputs.insert(inputs.end(), examples.begin(), examples.end());

  std::printf("In-process time of one analysis (korven::analyse), median and best batch:\n");
  std::printf("  %-32s %9s %9s %12s %12s\n", "input", "problems", "ms/call", "ms/problem",
              "best/problem");
  for (const fs::path& input : inputs) {
    const InProcess r = timeAnalysis(readFile(input), input.filename().string());
    const int problems = std::max(r.problems, 1);
    std::printf("  %-32s %9d %9.4f %12.4f %12.4f%s\n", input.filename().string().c_str(), r.problems,
                r.perCall * 1e3, r.perCall * 1e3 / problems, r.best * 1e3 / problems,
                r.status == 0 ? "" : "  (not normal)");
  }

  // Whole process: the job, and a job of one problem (the cantilever
  // example), each run on a copy in a folder of its own, their outputs left
  // in place between runs as a user's folder would hold them. The
  // one-problem job shows what a run costs beyond process start before
  // further problems add theirs.
  const fs::path folder = fs::temp_directory_path() / ("korven_speed." + std::to_string(getpid()));
  const fs::path single = source / "examples" / "cantilever-sand.dat";
  struct Job {
    fs::path input;
    std::vector<std::string> args;
    std::vector<double> times;
  };
  std::vector<Job> jobs;
  for (const fs::path& input : {job, single}) {
    if (!fs::exists(input)) continue;
    const fs::path dir = folder / std::to_string(jobs.size());
    fs::create_directories(dir);
    fs::copy_file(input, dir / input.filename(), fs::copy_options::overwrite_existing);
    jobs.push_back({input, {"run", "--quiet", input.filename().string()}, {}});
  }
  const std::vector<std::string> versionArgs{"--version"};
  constexpr int kRepetitions = 200;
  std::vector<double> versionTimes;
  bool failed = false;
  for (int i = 0; i < kRepetitions + 5 && !failed; ++i) {
    std::vector<double> t;
    for (std::size_t k = 0; k < jobs.size(); ++k) {
      t.push_back(timeProcess(program, jobs[k].args, folder / std::to_string(k)));
    }
    t.push_back(timeProcess(program, versionArgs, folder));
    failed = std::any_of(t.begin(), t.end(), [](double x) { return x < 0.0; });
    if (i >= 5) {  // the first runs warm the caches
      for (std::size_t k = 0; k < jobs.size(); ++k) jobs[k].times.push_back(t[k]);
      versionTimes.push_back(t.back());
    }
  }
  std::error_code ec;
  fs::remove_all(folder, ec);
  if (failed) {
    std::printf("\nWhole process: %s could not run the jobs\n", program.c_str());
    return 1;
  }
  const auto best = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
  const double version = median(versionTimes), versionBest = best(versionTimes);
  std::printf("\nWhole-process time of %d runs each (%s):\n", kRepetitions, program.c_str());
  std::printf("  %-40s %8s %8s %8s %8s\n", "", "median", "best", "ratio", "ratio");
  std::printf("  %-40s %8s %8s %8s %8s\n", "", "ms", "ms", "median", "best");
  for (const Job& j : jobs) {
    const std::string name = "korven run " + j.input.filename().string();
    const double m = median(j.times), b = best(j.times);
    std::printf("  %-40s %8.3f %8.3f %8.2f %8.2f\n", name.c_str(), m * 1e3, b * 1e3, m / version,
                b / versionBest);
  }
  std::printf("  %-40s %8.3f %8.3f\n", "korven --version", version * 1e3, versionBest * 1e3);
  std::printf("  (ratio: to the time of korven --version, process start alone)\n");
  return 0;
}

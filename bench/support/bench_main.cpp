// Runs the benchmarks of one program and prints each pair's ratio to its baseline.
#include <QApplication>

#include <cstdio>
#include <map>
#include <string>

#include "support/ratio.h"

namespace orv::bench {
namespace {

std::map<std::string, double>& targets() {
  static std::map<std::string, double> t;
  return t;
}

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const std::string name = run.benchmark_name();
      const auto slash = name.find('/');
      if (slash == std::string::npos) continue;
      const std::string pair = name.substr(0, slash);
      const std::string side = name.substr(slash + 1, name.find('/', slash + 1) - slash - 1);
      m_times[pair][side] = run.GetAdjustedRealTime();
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    int failed = 0;
    std::printf("\n%-40s %12s %8s %s\n", "pair", "ratio", "target", "");
    for (const auto& [pair, sides] : m_times) {
      const auto base = sides.find("baseline");
      const auto editor = sides.find("editor");
      if (base == sides.end() || editor == sides.end() || base->second <= 0) continue;
      const double ratio = editor->second / base->second;
      const auto t = targets().find(pair);
      if (t == targets().end()) {
        std::printf("%-40s %11.2fx %8s\n", pair.c_str(), ratio, "-");
        continue;
      }
      const bool met = ratio <= t->second;
      failed += met ? 0 : 1;
      std::printf("%-40s %11.2fx %7.2fx %s\n", pair.c_str(), ratio, t->second,
                  met ? "met" : "MISSED");
    }
    m_failed = failed;
  }

  int failed() const { return m_failed; }

 private:
  std::map<std::string, std::map<std::string, double>> m_times;
  int m_failed = 0;
};

}  // namespace

bool setTarget(const std::string& pair, double target) {
  targets()[pair] = target;
  return true;
}

}  // namespace orv::bench

int main(int argc, char** argv) {
  // The offscreen platform warns on every window shown; keep the table readable.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type != QtDebugMsg && !msg.contains(QStringLiteral("propagateSizeHints"))) {
      std::fprintf(stderr, "%s\n", qPrintable(msg));
    }
  });
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  orv::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

// Saves a score as the editor does, in a process of its own, for the tests that need one: under
// an interposed failing call, under a file-size limit, or to be killed half-way.
//   orv_save_probe TARGET SOURCE [FILE_SIZE_LIMIT]
// SOURCE holds the text in UTF-8. Prints
// "<status> <calls seen by the interposer>|<the call it failed, or ->|<reason>";
// exits 0 when written, 1 when not.

#include <QFile>

#include <dlfcn.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

#include "document/orvo_file.h"

int main(int argc, char* argv[]) {
  if (argc < 3) return 2;
  QFile source(QString::fromLocal8Bit(argv[2]));
  if (!source.open(QIODevice::ReadOnly)) return 2;
  const QString text = QString::fromUtf8(source.readAll());
  source.close();
  if (argc > 3) {
    const rlim_t limit = std::strtoull(argv[3], nullptr, 10);
    const rlimit r{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &r) != 0) return 2;
  }
  // Present only when the failing-call library is preloaded.
  auto arm = reinterpret_cast<void (*)()>(dlsym(RTLD_DEFAULT, "orv_fail_arm"));
  auto disarm = reinterpret_cast<long (*)()>(dlsym(RTLD_DEFAULT, "orv_fail_disarm"));
  auto label = reinterpret_cast<const char* (*)()>(dlsym(RTLD_DEFAULT, "orv_fail_label"));
  if (arm) arm();
  const auto result = orv::document::writeDocumentFile(QString::fromLocal8Bit(argv[1]), text);
  const long calls = disarm ? disarm() : 0;
  std::printf("%d %ld|%s|%s\n", static_cast<int>(result.status), calls, label ? label() : "-",
              result.reason.toUtf8().constData());
  return result.status == orv::document::WriteResult::Status::Written ? 0 : 1;
}

#include "platform/qt_process_launcher.h"

#include <QDir>
#include <QScopeGuard>
#include <QWinEventNotifier>

#include <windows.h>

#include <string>

namespace orv::platform {

namespace {

// An argument that needs no quotation marks on a command line: letters, digits and a few signs
// (so a program option such as "*P*E*X" stays bare, and any path is quoted).
bool isBare(const QString& argument) {
  if (argument.isEmpty()) return false;
  for (const QChar c : argument) {
    const char16_t u = c.unicode();
    const bool plain = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') ||
                       (u >= u'0' && u <= u'9') || u == u'*' || u == u'+' || u == u'-' ||
                       u == u'=' || u == u'_';
    if (!plain) return false;
  }
  return true;
}

// In quotation marks, read back as it stands by the usual rules: backslashes are doubled only
// where they come before a quotation mark.
QString quoted(const QString& argument) {
  QString out = QStringLiteral("\"");
  int backslashes = 0;
  for (const QChar c : argument) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    if (c == u'"') backslashes = backslashes * 2 + 1;
    out += QString(backslashes, u'\\') + c;
    backslashes = 0;
  }
  out += QString(backslashes * 2, u'\\') + u'"';
  return out;
}

// The program and then each argument, quoted where needed.
QString commandLine(const QString& program, const QStringList& arguments) {
  QString line = quoted(QDir::toNativeSeparators(program));
  for (const QString& argument : arguments) {
    line += u' ' + (isBare(argument) ? argument : quoted(argument));
  }
  return line;
}

}  // namespace

QtProcessLauncher::~QtProcessLauncher() {
  for (const auto& [id, handle] : m_started) CloseHandle(reinterpret_cast<HANDLE>(handle));
}

ProcessLauncher::Started QtProcessLauncher::start(const QString& program,
                                                  const QStringList& arguments) {
  // A Windows program receives one command line and splits it itself: it is given as it stands.
  std::wstring line = commandLine(program, arguments).toStdWString();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                      nullptr, nullptr, &startup, &process)) {
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString reason = text ? QString::fromWCharArray(text).trimmed() : QString::number(code);
    if (text) LocalFree(text);
    return {std::nullopt, reason};
  }
  CloseHandle(process.hThread);
  m_started[process.dwProcessId] = reinterpret_cast<qintptr>(process.hProcess);
  return {process.dwProcessId, QString()};
}

bool QtProcessLauncher::waitForEnd(ProcessId id, const QObject* owner) {
  const auto found = m_started.find(id);
  if (found == m_started.end()) return true;
  const auto handle = reinterpret_cast<HANDLE>(found->second);
  m_started.erase(found);
  const auto closeHandle = qScopeGuard([handle] { CloseHandle(handle); });
  if (WaitForSingleObject(handle, 0) == WAIT_OBJECT_0) return true;

  QWinEventNotifier notifier(handle);
  return runUntilEnded(owner, [&](const std::function<void()>& ended) {
    // The handle stays signalled; a wait nested inside this one must not see it fire again.
    QObject::connect(&notifier, &QWinEventNotifier::activated, &notifier, [&, ended] {
      notifier.setEnabled(false);
      ended();
    });
  });
}

}  // namespace orv::platform

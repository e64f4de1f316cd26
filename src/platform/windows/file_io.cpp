#include "platform/file_io.h"

#include <QDir>
#include <QRandomGenerator>

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/file_common.h"

namespace orv::platform {

namespace {

// A path as the system's wide calls take it: backslashes, and the long-path prefix where a path
// would pass the old 260-character limit.
std::wstring nativePath(const QString& path) {
  QString native = QDir::toNativeSeparators(path);
  if (native.size() >= MAX_PATH - 12 && !native.startsWith(QStringLiteral("\\\\"))) {
    native.prepend(QStringLiteral("\\\\?\\"));
  }
  return native.toStdWString();
}

// Names that open a device in every folder, whatever their extension, and paths into the device
// namespace. Opening one can block or have effects of its own, so they are refused by name.
bool namesADevice(const QString& path) {
  const QString native = QDir::toNativeSeparators(path);
  if (native.startsWith(QStringLiteral("\\\\.\\")) ||
      native.startsWith(QStringLiteral("\\\\?\\GLOBALROOT"), Qt::CaseInsensitive)) {
    return true;
  }
  QString stem = native.section(u'\\', -1).section(u'.', 0, 0).trimmed();
  if (stem.endsWith(u':')) stem.chop(1);
  stem = stem.toUpper();
  static const QStringList kDevices{QStringLiteral("CON"),    QStringLiteral("PRN"),
                                    QStringLiteral("AUX"),    QStringLiteral("NUL"),
                                    QStringLiteral("CONIN$"), QStringLiteral("CONOUT$"),
                                    QStringLiteral("CLOCK$")};
  if (kDevices.contains(stem)) return true;
  return stem.size() == 4 &&
         (stem.startsWith(QStringLiteral("COM")) || stem.startsWith(QStringLiteral("LPT"))) &&
         stem[3] >= u'1' && stem[3] <= u'9';
}

bool isMissing(DWORD code) {
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

// Whether another handle holds the file open without letting it be deleted. The system refuses
// to replace such a file with the same code as it refuses a missing right, and the user must learn
// that closing the other program is what helps.
bool heldOpenElsewhere(const std::wstring& path) {
  const HANDLE file =
      CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return false;
  }
  return GetLastError() == ERROR_SHARING_VIOLATION;
}

QString temporaryName(const std::wstring& directory, const std::wstring& base) {
  // ".<name>.orvsave-<number>", the name cut so that the whole fits in a file name.
  static constexpr int kNameMax = 255;
  static constexpr int kRoom = 1 + 9 + 7;
  QString name = QString::fromStdWString(base);
  if (name.size() > kNameMax - kRoom) {
    name.truncate(kNameMax - kRoom);
    if (name.back().isHighSurrogate()) name.chop(1);
  }
  return QString::fromStdWString(directory) + QStringLiteral("\\.") + name +
         QStringLiteral(".orvsave-") + QString::number(QRandomGenerator::global()->generate(), 36);
}

}  // namespace

QString systemErrorText(int code) {
  struct Words {
    DWORD code;
    const char16_t* words;
    const char* name;
  };
  static constexpr Words kWords[] = {
      {ERROR_FILE_NOT_FOUND, u"ファイルがありません", "ERROR_FILE_NOT_FOUND"},
      {ERROR_PATH_NOT_FOUND, u"フォルダーがありません", "ERROR_PATH_NOT_FOUND"},
      {ERROR_ACCESS_DENIED, u"アクセスが許可されていません", "ERROR_ACCESS_DENIED"},
      {ERROR_SHARING_VIOLATION, u"ほかのプログラムが使用中です", "ERROR_SHARING_VIOLATION"},
      {ERROR_LOCK_VIOLATION, u"ほかのプログラムがロックしています", "ERROR_LOCK_VIOLATION"},
      {ERROR_DISK_FULL, u"ディスクの空き容量が足りません", "ERROR_DISK_FULL"},
      {ERROR_HANDLE_DISK_FULL, u"ディスクの空き容量が足りません", "ERROR_HANDLE_DISK_FULL"},
      {ERROR_WRITE_PROTECT, u"書き込みが禁止されたディスクです", "ERROR_WRITE_PROTECT"},
      {ERROR_FILENAME_EXCED_RANGE, u"名前が長すぎます", "ERROR_FILENAME_EXCED_RANGE"},
      {ERROR_INVALID_NAME, u"ファイル名に使えない文字があります", "ERROR_INVALID_NAME"},
      {ERROR_NOT_READY, u"ドライブの準備ができていません", "ERROR_NOT_READY"},
      {ERROR_CRC, u"ディスクの読み書きでエラーが起きました", "ERROR_CRC"},
      {ERROR_IO_DEVICE, u"ディスクの読み書きでエラーが起きました", "ERROR_IO_DEVICE"},
      {ERROR_NOT_ENOUGH_MEMORY, u"メモリが足りません", "ERROR_NOT_ENOUGH_MEMORY"},
      {ERROR_OUTOFMEMORY, u"メモリが足りません", "ERROR_OUTOFMEMORY"},
      {ERROR_TOO_MANY_OPEN_FILES, u"開いているファイルが多すぎます", "ERROR_TOO_MANY_OPEN_FILES"},
  };
  for (const Words& w : kWords) {
    if (w.code == static_cast<DWORD>(code)) {
      return file_texts::withErrorName(QString::fromUtf16(w.words), QString::fromLatin1(w.name));
    }
  }
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  QString words = QStringLiteral("システムのエラー");
  if (n > 0 && text != nullptr)
    words += QStringLiteral(": ") + QString::fromWCharArray(text, n).trimmed();
  if (text != nullptr) LocalFree(text);
  return file_texts::withErrorName(words, QStringLiteral("エラー %1").arg(code));
}

FileRead readRegularFile(const QString& path, qint64 limit) {
  FileRead result;
  auto failed = [&](DWORD code) {
    result.status = isMissing(code) ? FileRead::Status::Missing : FileRead::Status::Refused;
    result.reason = systemErrorText(static_cast<int>(code));
    return result;
  };
  auto refused = [&](const QString& reason) {
    result.status = FileRead::Status::Refused;
    result.reason = reason;
    return result;
  };
  if (path.isEmpty() || path.contains(QChar(0))) return failed(ERROR_FILE_NOT_FOUND);
  if (namesADevice(path)) return refused(file_texts::device());
  const std::wstring name = nativePath(path);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return failed(GetLastError());
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return refused(file_texts::folder());

  const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return failed(GetLastError());
  struct Closer {
    HANDLE h;
    ~Closer() { CloseHandle(h); }
  } closer{file};
  if (GetFileType(file) != FILE_TYPE_DISK) return refused(file_texts::device());
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return failed(GetLastError());
  if (size.QuadPart > limit) return refused(file_texts::tooLarge(limit));

  DWORD err = 0;
  const ReadOutcome outcome =
      readToEnd(size.QuadPart, limit, result.bytes, [&](char* into, qint64 count) -> qint64 {
        DWORD got = 0;
        if (ReadFile(file, into, static_cast<DWORD>(std::min<qint64>(count, 1 << 30)), &got,
                     nullptr)) {
          return got;
        }
        err = GetLastError();
        return -1;
      });
  if (outcome == ReadOutcome::TooLarge) return refused(file_texts::tooLarge(limit));
  if (outcome == ReadOutcome::Failed) return failed(err);
  result.status = FileRead::Status::Read;
  return result;
}

struct AtomicFileWriter::Impl {
  QString path;
  std::wstring target;
  std::wstring temporary;  // empty when there is none to remove
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD targetAttributes = INVALID_FILE_ATTRIBUTES;  // of the file replaced, when there is one
};

AtomicFileWriter::AtomicFileWriter(const QString& path) : m_impl(std::make_unique<Impl>()) {
  m_impl->path = path;
}

AtomicFileWriter::~AtomicFileWriter() {
  cancel();
}

void AtomicFileWriter::cancel() {
  if (m_impl->file != INVALID_HANDLE_VALUE) {
    CloseHandle(m_impl->file);
    m_impl->file = INVALID_HANDLE_VALUE;
  }
  if (!m_impl->temporary.empty()) {
    DeleteFileW(m_impl->temporary.c_str());
    m_impl->temporary.clear();
  }
}

bool AtomicFileWriter::open() {
  Impl& d = *m_impl;
  if (d.path.isEmpty() || d.path.contains(QChar(0))) return fail(ERROR_FILE_NOT_FOUND);
  if (namesADevice(d.path)) return failWith(file_texts::device());
  d.target = nativePath(d.path);
  d.targetAttributes = GetFileAttributesW(d.target.c_str());
  if (d.targetAttributes != INVALID_FILE_ATTRIBUTES) {
    if (d.targetAttributes & FILE_ATTRIBUTE_DIRECTORY) return failWith(file_texts::folder());
    // A read-only file is not replaced; the system would refuse it only after the writing.
    if (d.targetAttributes & FILE_ATTRIBUTE_READONLY) return fail(ERROR_ACCESS_DENIED);
  } else if (const DWORD code = GetLastError(); code != ERROR_FILE_NOT_FOUND) {
    return fail(static_cast<int>(code));
  }
  const std::size_t slash = d.target.find_last_of(L'\\');
  const std::wstring directory = slash == std::wstring::npos ? L"." : d.target.substr(0, slash);
  const std::wstring base = slash == std::wstring::npos ? d.target : d.target.substr(slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring name = temporaryName(directory, base).toStdWString();
    d.file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN,
                         nullptr);
    if (d.file != INVALID_HANDLE_VALUE) {
      d.temporary = name;
      return true;
    }
    if (const DWORD code = GetLastError(); code != ERROR_FILE_EXISTS) {
      return fail(static_cast<int>(code));
    }
  }
  return fail(ERROR_FILE_EXISTS);
}

bool AtomicFileWriter::write(QByteArrayView bytes) {
  if (m_impl->file == INVALID_HANDLE_VALUE) return false;
  const char* data = bytes.data();
  qsizetype left = bytes.size();
  while (left > 0) {
    const DWORD ask = static_cast<DWORD>(std::min<qsizetype>(left, 1 << 30));
    DWORD written = 0;
    if (!WriteFile(m_impl->file, data, ask, &written, nullptr)) return fail(GetLastError());
    if (written == 0) return fail(ERROR_HANDLE_DISK_FULL);
    data += written;
    left -= written;
  }
  return true;
}

bool AtomicFileWriter::commit() {
  Impl& d = *m_impl;
  if (d.file == INVALID_HANDLE_VALUE) return false;
  if (!FlushFileBuffers(d.file)) return fail(GetLastError());
  const HANDLE file = d.file;
  d.file = INVALID_HANDLE_VALUE;
  if (!CloseHandle(file)) return fail(GetLastError());
  // The new file takes the old one's attributes (a new one plain ones) before it takes its place.
  const DWORD attributes = d.targetAttributes != INVALID_FILE_ATTRIBUTES
                               ? d.targetAttributes & ~FILE_ATTRIBUTE_READONLY
                               : FILE_ATTRIBUTE_NORMAL;
  if (!SetFileAttributesW(d.temporary.c_str(),
                          attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes)) {
    return fail(GetLastError());
  }
  // Replaces the old file in one step, and returns only once the change is on the disk.
  if (!MoveFileExW(d.temporary.c_str(), d.target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD code = GetLastError();
    return fail(code == ERROR_ACCESS_DENIED && heldOpenElsewhere(d.target)
                    ? ERROR_SHARING_VIOLATION
                    : static_cast<int>(code));
  }
  d.temporary.clear();
  return true;
}

}  // namespace orv::platform

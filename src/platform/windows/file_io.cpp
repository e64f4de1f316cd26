#include "platform/file_io.h"

#include <QDir>
#include <QRandomGenerator>

#include <windows.h>

#include <aclapi.h>

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_common.h"

namespace orv::platform {

namespace {

// Room that the temporary name ".<name>.orvsave-<number>" takes beyond the file's own name.
constexpr int kTemporaryRoom = 1 + 9 + 7;
constexpr int kNameMax = 255;

// The path made absolute (relative parts and ".." resolved as the system resolves them) with
// backslashes, and with the long-path prefix whenever the path, or a temporary file's beside it,
// could pass the old 260-character limit.
std::wstring nativePath(const QString& path) {
  const std::wstring given = QDir::toNativeSeparators(path).toStdWString();
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return given;  // the calls that follow report what is wrong with it
    if (n < full.size()) {
      full.resize(n);
      break;
    }
    full.resize(n);
  }
  if (full.size() + kTemporaryRoom < MAX_PATH || full.rfind(L"\\\\?\\", 0) == 0 ||
      full.rfind(L"\\\\.\\", 0) == 0) {
    return full;
  }
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// The same path with the long-path prefix in every case, as a rename through a handle takes it.
std::wstring prefixedPath(const std::wstring& native) {
  if (native.rfind(L"\\\\?\\", 0) == 0) return native;
  if (native.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + native.substr(2);
  return L"\\\\?\\" + native;
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
  // COM0 to COM9 and LPT0 to LPT9, and with the superscript digits ¹ ² ³, which the system takes
  // for the same ports.
  return stem.size() == 4 &&
         (stem.startsWith(QStringLiteral("COM")) || stem.startsWith(QStringLiteral("LPT"))) &&
         ((stem[3] >= u'0' && stem[3] <= u'9') || stem[3] == u'\u00B9' || stem[3] == u'\u00B2' ||
          stem[3] == u'\u00B3');
}

bool isMissing(DWORD code) {
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

// What another program holding the file does to a rename over it: the system refuses for a
// moment while a scanner, an indexer or a sync client has it open.
bool isTransient(DWORD code) {
  return code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION ||
         code == ERROR_LOCK_VIOLATION;
}

// Refusals that mean the file system has no rename with replacement through a handle of this
// kind (FAT, network shares, systems before Windows 10 1607).
bool isUnsupported(DWORD code) {
  return code == ERROR_INVALID_PARAMETER || code == ERROR_NOT_SUPPORTED ||
         code == ERROR_INVALID_FUNCTION || code == ERROR_CALL_NOT_IMPLEMENTED;
}

QString temporaryName(const std::wstring& directory, const std::wstring& base) {
  // ".<name>.orvsave-<number>", the name cut so that the whole fits in a file name.
  QString name = QString::fromStdWString(base);
  if (name.size() > kNameMax - kTemporaryRoom) {
    name.truncate(kNameMax - kTemporaryRoom);
    if (name.back().isHighSurrogate()) name.chop(1);
  }
  return QString::fromStdWString(directory) + QStringLiteral("\\.") + name +
         QStringLiteral(".orvsave-") + QString::number(QRandomGenerator::global()->generate(), 36);
}

// The file a symbolic link (or a chain of them) ends at, in the form nativePath gives; `path`
// itself when it is no link or its end cannot be opened.
std::wstring finalPath(const std::wstring& path, DWORD attributes) {
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return path;
  const HANDLE file =
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return path;
  std::wstring target(MAX_PATH, L'\0');
  DWORD n = GetFinalPathNameByHandleW(file, target.data(), static_cast<DWORD>(target.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (n >= target.size()) {
    target.resize(n);
    n = GetFinalPathNameByHandleW(file, target.data(), static_cast<DWORD>(target.size()),
                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  }
  CloseHandle(file);
  if (n == 0 || n >= target.size()) return path;
  target.resize(n);
  // The system answers with the long-path prefix; the short form goes back through nativePath.
  if (target.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    target = L"\\\\" + target.substr(8);
  } else if (target.rfind(L"\\\\?\\", 0) == 0) {
    target = target.substr(4);
  }
  return nativePath(QString::fromStdWString(target));
}

// The permissions given to the file itself, as opposed to those it inherits from its folder: a
// copy of its access list, or nothing when it has none of its own (or it cannot be read).
struct OwnPermissions {
  std::vector<BYTE> acl;
  bool isProtected = false;  // inherits nothing from its folder
};

std::optional<OwnPermissions> ownPermissions(const std::wstring& path) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  struct Freer {
    PSECURITY_DESCRIPTOR d;
    ~Freer() { LocalFree(d); }
  } freer{descriptor};
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (dacl == nullptr || !GetSecurityDescriptorControl(descriptor, &control, &revision)) {
    return std::nullopt;
  }
  OwnPermissions own;
  own.isProtected = control & SE_DACL_PROTECTED;
  std::vector<ACE_HEADER*> aces;
  DWORD size = sizeof(ACL);
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) return std::nullopt;
    auto* header = static_cast<ACE_HEADER*>(ace);
    if (!own.isProtected && (header->AceFlags & INHERITED_ACE)) continue;
    aces.push_back(header);
    size += header->AceSize;
  }
  if (!own.isProtected && aces.empty()) return std::nullopt;
  own.acl.resize(size);
  auto* acl = reinterpret_cast<PACL>(own.acl.data());
  if (!InitializeAcl(acl, size, dacl->AclRevision)) return std::nullopt;
  for (ACE_HEADER* header : aces) {
    if (!AddAce(acl, dacl->AclRevision, MAXDWORD, header, header->AceSize)) return std::nullopt;
  }
  return own;
}

// A refusal to replace the file that lasted: the system gives the same answers for another
// program's handle on the file as for a missing right, so the words name both.
QString replaceRefusedText(DWORD code) {
  const QString held = QStringLiteral(
      "ほかのプログラム（ウイルス対策ソフト、クラウド同期、Orvo プレーヤーなど）がファイルを"
      "開いています");
  return code == ERROR_ACCESS_DENIED
             ? file_texts::withErrorName(
                   held + QStringLiteral("。または置き換える権限がありません"),
                   QStringLiteral("ERROR_ACCESS_DENIED"))
             : file_texts::withErrorName(held, code == ERROR_LOCK_VIOLATION
                                                   ? QStringLiteral("ERROR_LOCK_VIOLATION")
                                                   : QStringLiteral("ERROR_SHARING_VIOLATION"));
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
  std::wstring target;     // where the new content goes: the file a link names, in native form
  std::wstring temporary;  // empty when there is none
  HANDLE file = INVALID_HANDLE_VALUE;
  bool replacing = false;  // whether a file is there to be replaced
  DWORD targetAttributes = 0;
  FILETIME created{};
  std::optional<OwnPermissions> permissions;

  // Deletes the temporary file through its own handle, which a folder that lets its user create
  // files but not delete them allows; by name where that fails.
  void removeTemporary();
  // Renames the temporary file over the target through its handle; the system's error code.
  DWORD renameOver();
};

void AtomicFileWriter::Impl::removeTemporary() {
  if (file != INVALID_HANDLE_VALUE) {
    FILE_DISPOSITION_INFO dispose{TRUE};
    const bool disposed =
        SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose);
    CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    if (disposed) temporary.clear();
  }
  if (!temporary.empty()) {
    DeleteFileW(temporary.c_str());
    temporary.clear();
  }
}

DWORD AtomicFileWriter::Impl::renameOver() {
  // FILE_RENAME_INFO as the system lays it out, with the flags word of Windows 10 1607 in the
  // place of the older yes/no.
  struct RenameInfo {
    DWORD flags;
    HANDLE rootDirectory;
    DWORD nameBytes;
    WCHAR name[1];
  };
  static_assert(offsetof(RenameInfo, name) == offsetof(FILE_RENAME_INFO, FileName));
  constexpr auto kRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
  constexpr DWORD kReplaceIfExists = 0x1, kPosixSemantics = 0x2;

  const std::wstring name = prefixedPath(target);
  std::vector<BYTE> buffer(sizeof(RenameInfo) + name.size() * sizeof(WCHAR));
  auto* info = reinterpret_cast<RenameInfo*>(buffer.data());
  info->nameBytes = static_cast<DWORD>(name.size() * sizeof(WCHAR));
  std::copy(name.begin(), name.end(), info->name);
  const auto size = static_cast<DWORD>(buffer.size());

  // With POSIX semantics the name passes to the new file even while other programs hold the old
  // one open (they keep reading the old content). Where the file system lacks it, the plain
  // rename with replacement, which MoveFileEx performs, and which such a handle refuses.
  info->flags = kReplaceIfExists | kPosixSemantics;
  if (SetFileInformationByHandle(file, kRenameInfoEx, info, size)) return ERROR_SUCCESS;
  DWORD code = GetLastError();
  if (!isUnsupported(code)) return code;
  info->flags = TRUE;  // ReplaceIfExists
  if (SetFileInformationByHandle(file, FileRenameInfo, info, size)) return ERROR_SUCCESS;
  return GetLastError();
}

AtomicFileWriter::AtomicFileWriter(const QString& path) : m_impl(std::make_unique<Impl>()) {
  m_impl->path = path;
}

AtomicFileWriter::~AtomicFileWriter() {
  cancel();
}

void AtomicFileWriter::cancel() {
  m_impl->removeTemporary();
}

bool AtomicFileWriter::open() {
  Impl& d = *m_impl;
  if (d.path.isEmpty() || d.path.contains(QChar(0))) return fail(ERROR_FILE_NOT_FOUND);
  if (namesADevice(d.path)) return failWith(file_texts::device());
  const std::wstring given = nativePath(d.path);
  WIN32_FILE_ATTRIBUTE_DATA old{};
  if (GetFileAttributesExW(given.c_str(), GetFileExInfoStandard, &old)) {
    // A link's own attributes are not the file's: those of the file it names count.
    d.target = finalPath(given, old.dwFileAttributes);
    if (d.target != given && !GetFileAttributesExW(d.target.c_str(), GetFileExInfoStandard, &old)) {
      return fail(static_cast<int>(GetLastError()));
    }
    if (old.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return failWith(file_texts::folder());
    // A read-only file is not replaced; the system would refuse it only after the writing.
    if (old.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
      return failWith(file_texts::withErrorName(
          QStringLiteral("読み取り専用のファイルです。プロパティで読み取り専用を外すか、別の名前で"
                         "保存してください"),
          QStringLiteral("FILE_ATTRIBUTE_READONLY")));
    }
    d.replacing = true;
    d.targetAttributes = old.dwFileAttributes;
    d.created = old.ftCreationTime;
    d.permissions = ownPermissions(d.target);
  } else if (const DWORD code = GetLastError(); code != ERROR_FILE_NOT_FOUND) {
    return fail(static_cast<int>(code));
  } else {
    d.target = given;
  }
  const std::size_t slash = d.target.find_last_of(L'\\');
  const std::wstring directory = slash == std::wstring::npos ? L"." : d.target.substr(0, slash);
  const std::wstring base = slash == std::wstring::npos ? d.target : d.target.substr(slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring name = temporaryName(directory, base).toStdWString();
    d.file = CreateFileW(name.c_str(), GENERIC_WRITE | DELETE | WRITE_DAC, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (d.file != INVALID_HANDLE_VALUE) {
      d.temporary = name;
      break;
    }
    if (const DWORD code = GetLastError(); code != ERROR_FILE_EXISTS) {
      return fail(static_cast<int>(code));
    }
  }
  if (d.file == INVALID_HANDLE_VALUE) return fail(ERROR_FILE_EXISTS);
  // The file's own permissions go with it; those it inherits, it inherits again in its folder.
  if (d.permissions) {
    const SECURITY_INFORMATION which =
        DACL_SECURITY_INFORMATION |
        (d.permissions->isProtected ? PROTECTED_DACL_SECURITY_INFORMATION
                                    : UNPROTECTED_DACL_SECURITY_INFORMATION);
    const DWORD code = SetSecurityInfo(d.file, SE_FILE_OBJECT, which, nullptr, nullptr,
                                       reinterpret_cast<PACL>(d.permissions->acl.data()), nullptr);
    if (code != ERROR_SUCCESS) return fail(static_cast<int>(code));
  }
  return true;
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
  // The attributes a program may give a file: the old file's hidden, system and not-indexed
  // marks (never offline, which belongs to the storage), not the temporary file's hidden mark,
  // and the archive mark that tells a backup the content changed. The old file's creation time.
  constexpr DWORD kKept =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  FILE_BASIC_INFO basic{};
  basic.FileAttributes = (d.targetAttributes & kKept) | FILE_ATTRIBUTE_ARCHIVE;
  if (d.replacing) {
    basic.CreationTime.LowPart = d.created.dwLowDateTime;
    basic.CreationTime.HighPart = static_cast<LONG>(d.created.dwHighDateTime);
  }
  if (!SetFileInformationByHandle(d.file, FileBasicInfo, &basic, sizeof basic)) {
    return fail(GetLastError());
  }
  // Another program's handle on the old file refuses the rename for as long as it is open: a
  // scanner or sync client lets go within moments, so the rename is tried for about a second.
  DWORD code = ERROR_SUCCESS;
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (attempt > 0) Sleep(50);
    code = d.renameOver();
    if (!isTransient(code)) break;
  }
  if (code != ERROR_SUCCESS) {
    return isTransient(code) ? failWith(replaceRefusedText(code)) : fail(static_cast<int>(code));
  }
  // The rename is in the file system's journal; flushing the renamed file asks for it on the
  // disk before the save is reported done. The content is already there, so a failure here
  // changes nothing the user can act on.
  FlushFileBuffers(d.file);
  CloseHandle(d.file);
  d.file = INVALID_HANDLE_VALUE;
  d.temporary.clear();
  return true;
}

}  // namespace orv::platform

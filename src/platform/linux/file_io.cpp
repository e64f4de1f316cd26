#include "platform/file_io.h"

#include "platform/file_common.h"

#include <QFile>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace orv::platform {

namespace {

QString withErrorName(const QString& words, int errnum) {
  const char* name = strerrorname_np(errnum);
  return file_texts::withErrorName(
      words, name ? QString::fromLatin1(name) : QStringLiteral("errno ") + QString::number(errnum));
}

QString notRegularText(mode_t mode) {
  if (S_ISDIR(mode)) return file_texts::folder();
  if (S_ISFIFO(mode)) return file_texts::namedPipe();
  if (S_ISSOCK(mode)) return file_texts::socket();
  if (S_ISCHR(mode) || S_ISBLK(mode)) return file_texts::device();
  return file_texts::notRegular();
}

// With a file-size limit in force, a write past it would end the program with SIGXFSZ; ignored,
// the write fails with EFBIG instead and the save is reported like any other failure.
void ignoreFileSizeSignal() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction current = {};
    if (sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
      struct sigaction ignore = {};
      ignore.sa_handler = SIG_IGN;
      sigemptyset(&ignore.sa_mask);
      sigaction(SIGXFSZ, &ignore, nullptr);
    }
  });
}

// Follows `path` through symbolic links, also to a link whose target does not exist yet: saving
// through a link writes the file it names and keeps the link. 0, or the errno of the failure.
int followLinks(QByteArray& path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st = {};
    if (::lstat(path.constData(), &st) != 0) return errno == ENOENT ? 0 : errno;
    if (!S_ISLNK(st.st_mode)) return 0;
    // One byte more than the link holds, so that a link changed meanwhile shows as too long.
    QByteArray target(static_cast<qsizetype>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
    const ssize_t n =
        ::readlink(path.constData(), target.data(), static_cast<size_t>(target.size()));
    if (n < 0) return errno;
    if (n == target.size()) return ENAMETOOLONG;
    target.truncate(n);
    if (!target.startsWith('/')) {
      const qsizetype slash = path.lastIndexOf('/');
      if (slash >= 0) target.prepend(path.left(slash + 1));
    }
    path = target;
  }
  return ELOOP;
}

// `base` cut, at a character boundary of its UTF-8, to at most `limit` bytes.
QByteArray cutName(const QByteArray& base, qsizetype limit) {
  if (base.size() <= limit) return base;
  qsizetype end = std::max<qsizetype>(limit, 0);
  while (end > 0 && (static_cast<unsigned char>(base.at(end)) & 0xC0) == 0x80) --end;
  return base.left(end);
}

// A folder whose file system cannot sync folders has nothing to sync (EINVAL).
int syncDirectory(int fd) {
  if (fd < 0 || ::fsync(fd) == 0 || errno == EINVAL) return 0;
  return errno;
}

}  // namespace

QString systemErrorText(int errnum) {
  struct Words {
    int errnum;
    const char16_t* words;
  };
  static constexpr Words kWords[] = {
      {ENOENT, u"ファイルまたはフォルダーがありません"},
      {ENOTDIR, u"途中のフォルダーがフォルダーではありません"},
      {EACCES, u"アクセスが許可されていません"},
      {EPERM, u"アクセスが許可されていません"},
      {ENOSPC, u"ディスクの空き容量が足りません"},
      {EDQUOT, u"ディスク使用量の上限（クォータ）を超えます"},
      {EFBIG, u"ファイルサイズの上限を超えます"},
      {EIO, u"ディスクの読み書きでエラーが起きました"},
      {EROFS, u"読み取り専用の場所です"},
      {EISDIR, u"フォルダーです"},
      {ENAMETOOLONG, u"名前が長すぎます"},
      {ELOOP, u"シンボリックリンクが多すぎます"},
      {EMFILE, u"開いているファイルが多すぎます"},
      {ENFILE, u"開いているファイルが多すぎます"},
      {ENOMEM, u"メモリが足りません"},
      {EBUSY, u"使用中です"},
      {ETXTBSY, u"使用中です"},
  };
  for (const Words& w : kWords) {
    if (w.errnum == errnum) return withErrorName(QString::fromUtf16(w.words), errnum);
  }
  return withErrorName(
      QStringLiteral("システムのエラー: ") + QString::fromLocal8Bit(std::strerror(errnum)), errnum);
}

FileRead readRegularFile(const QString& path, qint64 limit) {
  FileRead result;
  const QByteArray name = QFile::encodeName(path);
  auto failed = [&](int errnum) {
    result.status = (errnum == ENOENT || errnum == ENOTDIR) ? FileRead::Status::Missing
                                                            : FileRead::Status::Refused;
    result.reason = systemErrorText(errnum);
    return result;
  };
  auto refused = [&](const QString& reason) {
    result.status = FileRead::Status::Refused;
    result.reason = reason;
    return result;
  };
  if (name.isEmpty()) return failed(ENOENT);
  // Looked at before opening: opening a device or a FIFO can block or have effects of its own.
  struct stat st = {};
  if (::stat(name.constData(), &st) != 0) return failed(errno);
  if (!S_ISREG(st.st_mode)) return refused(notRegularText(st.st_mode));
  if (st.st_size > limit) return refused(file_texts::tooLarge(limit));

  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return failed(errno);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  // The name may have been given to something else since it was looked at.
  if (::fstat(fd, &st) != 0) return failed(errno);
  if (!S_ISREG(st.st_mode)) return refused(notRegularText(st.st_mode));
  if (st.st_size > limit) return refused(file_texts::tooLarge(limit));

  int err = 0;
  const ReadOutcome outcome =
      readToEnd(st.st_size, limit, result.bytes, [&](char* into, qint64 count) -> qint64 {
        for (;;) {
          const ssize_t n = ::read(fd, into, static_cast<size_t>(count));
          if (n >= 0 || errno != EINTR) {
            err = errno;
            return n;
          }
        }
      });
  if (outcome == ReadOutcome::TooLarge) return refused(file_texts::tooLarge(limit));
  if (outcome == ReadOutcome::Failed) return failed(err);
  result.status = FileRead::Status::Read;
  return result;
}

struct AtomicFileWriter::Impl {
  QByteArray target;     // the file that is replaced (a symbolic link's target)
  QByteArray temporary;  // empty when there is none to remove
  bool targetExists = false;
  int fd = -1;
  int directoryFd = -1;  // the folder holding it, for its sync; -1 when it cannot be read

  void closeDirectory() {
    if (directoryFd >= 0) ::close(directoryFd);  // read-only: its result tells nothing
    directoryFd = -1;
  }
};

AtomicFileWriter::AtomicFileWriter(const QString& path) : m_impl(std::make_unique<Impl>()) {
  m_impl->target = QFile::encodeName(path);
}

AtomicFileWriter::~AtomicFileWriter() {
  cancel();
  m_impl->closeDirectory();
}

void AtomicFileWriter::cancel() {
  if (m_impl->fd >= 0) {
    ::close(m_impl->fd);
    m_impl->fd = -1;
  }
  if (!m_impl->temporary.isEmpty()) {
    ::unlink(m_impl->temporary.constData());
    m_impl->temporary.clear();
  }
}

bool AtomicFileWriter::open() {
  ignoreFileSizeSignal();
  if (m_impl->target.isEmpty()) return fail(ENOENT);
  if (const int err = followLinks(m_impl->target)) return fail(err);
  struct stat st = {};
  if (::stat(m_impl->target.constData(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return failWith(notRegularText(st.st_mode));
    m_impl->targetExists = true;
  } else if (errno != ENOENT) {
    return fail(errno);
  }
  const qsizetype slash = m_impl->target.lastIndexOf('/');
  const QByteArray directory = slash < 0    ? QByteArray(".")
                               : slash == 0 ? QByteArray("/")
                                            : m_impl->target.left(slash);
  // Opened before anything is written, so that a folder that cannot be synced is known before the
  // file is replaced. A folder that may be written but not read (a drop box) cannot be opened for
  // its sync; the save goes on without it, as on a file system that cannot sync folders.
  m_impl->directoryFd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (m_impl->directoryFd < 0 && errno != EACCES) return fail(errno);

  // The temporary name holds the score's own name where it fits, so that a left-over file tells
  // whose it was; a name near the file system's limit is cut to make room.
  static constexpr char kMark[] = ".orvsave-";
  static constexpr qsizetype kRandom = 7;  // a 32-bit number in base 36
  long nameMax = m_impl->directoryFd >= 0 ? ::fpathconf(m_impl->directoryFd, _PC_NAME_MAX) : -1;
  if (nameMax <= 0) nameMax = NAME_MAX;
  const QByteArray base =
      cutName(m_impl->target.mid(slash + 1), nameMax - 1 - qsizetype{sizeof kMark - 1} - kRandom);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const QByteArray name = directory + "/." + base + kMark +
                            QByteArray::number(QRandomGenerator::global()->generate(), 36);
    m_impl->fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (m_impl->fd >= 0) {
      m_impl->temporary = name;
      break;
    }
    if (errno != EEXIST) return fail(errno);
  }
  if (m_impl->fd < 0) return fail(EEXIST);
  if (m_impl->targetExists) {
    // The new file keeps the old one's owner and group where the saver may give them: a member of
    // a shared score's group keeps the group even though the owner cannot be kept. The mode comes
    // after, since a change of owner clears the set-id bits.
    if (::fchown(m_impl->fd, st.st_uid, st.st_gid) != 0 &&
        ::fchown(m_impl->fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
      // Neither is ours to give; the file then belongs to the saver, as a new one would.
    }
    ::fchmod(m_impl->fd, st.st_mode & 07777);
  }
  return true;
}

bool AtomicFileWriter::write(QByteArrayView bytes) {
  if (m_impl->fd < 0) return false;
  const char* data = bytes.data();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(m_impl->fd, data, static_cast<size_t>(left));
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(errno);
    }
    data += n;
    left -= n;
  }
  return true;
}

bool AtomicFileWriter::commit() {
  if (m_impl->fd < 0) return false;
  if (::fsync(m_impl->fd) != 0) return fail(errno);
  const int fd = m_impl->fd;
  m_impl->fd = -1;
  // A network file system may report a failed write only here.
  if (::close(fd) != 0) return fail(errno);

  // Exchanging the two names keeps the old content under the temporary name until the folder is
  // synced, so a failure of that sync can still put it back.
  bool exchanged = false;
  if (m_impl->targetExists) {
    if (::renameat2(AT_FDCWD, m_impl->temporary.constData(), AT_FDCWD, m_impl->target.constData(),
                    RENAME_EXCHANGE) == 0) {
      exchanged = true;
    } else if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
      return fail(errno);
    }
  }
  if (!exchanged) {
    if (::rename(m_impl->temporary.constData(), m_impl->target.constData()) != 0)
      return fail(errno);
    m_impl->temporary.clear();
  }
  if (const int err = syncDirectory(m_impl->directoryFd)) {
    if (exchanged && ::renameat2(AT_FDCWD, m_impl->temporary.constData(), AT_FDCWD,
                                 m_impl->target.constData(), RENAME_EXCHANGE) != 0) {
      // The old content could not be put back: keep it under the temporary name, never delete it.
      m_impl->temporary.clear();
    } else if (!m_impl->targetExists) {
      ::unlink(m_impl->target.constData());
    }
    syncDirectory(m_impl->directoryFd);
    m_impl->closeDirectory();
    return fail(err);
  }
  // The new content is in place and durable. Should the removal of the old one not reach the disk
  // before a crash, the old content comes back only under the hidden temporary name.
  if (exchanged) {
    ::unlink(m_impl->temporary.constData());
    m_impl->temporary.clear();
  }
  m_impl->closeDirectory();
  return true;
}

}  // namespace orv::platform

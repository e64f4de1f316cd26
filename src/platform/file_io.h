#pragma once

// Files on disk, done with the system's own calls so that every failure is seen: reading only
// regular files of a bounded size without ever blocking, and replacing a file's content all at
// once, durably, or not at all. Reasons are given in Japanese with the system's error name.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

namespace orv::platform {

// The system's error `code` (an errno on Linux, a GetLastError code on Windows) in words a user can
// read, with the system's name for it, e.g. "ディスクの空き容量が足りません（ENOSPC）".
QString systemErrorText(int code);

struct FileRead {
  enum class Status {
    Read,
    Missing,  // nothing by that name (or a folder on the way is missing)
    Refused,  // it exists but was not read: no access, not a regular file, too large, I/O error
  };
  Status status = Status::Missing;
  QByteArray bytes;
  QString reason;  // for Missing and Refused
};

// Reads a whole regular file of at most `limit` bytes. FIFOs, sockets, devices and folders are
// refused without reading, so a named pipe or /dev/zero can never hang or exhaust the program.
FileRead readRegularFile(const QString& path, qint64 limit);

// Writes a new content for `path` into a temporary file beside it and puts it in the file's place
// only once it is completely written and synced; the folder is synced afterwards (where it can be
// read). Until commit() succeeds the file at `path` keeps its old bytes (or stays absent), also
// when the program is killed half-way; a failed or abandoned write removes its temporary file.
// A symbolic link, also one whose target does not exist yet, is saved through: the file it names
// is written and the link stays. The file keeps its mode, and its owner and group where the saver
// may set them.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(const QString& path);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  bool open();
  bool write(QByteArrayView bytes);
  bool commit();
  // Abandons the write: the temporary file goes, the file at `path` stays as it was.
  void cancel();

  QString errorString() const { return m_error; }

 private:
  bool fail(int code);
  bool failWith(const QString& reason);

  struct Impl;  // the system's names and handles of the file, its folder and the temporary file
  std::unique_ptr<Impl> m_impl;
  QString m_error;
};

}  // namespace orv::platform

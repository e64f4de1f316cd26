// Preloaded into a test program: once armed, the N-th call to any of the file functions below
// fails with a chosen errno instead of reaching the system; every other call passes through.
// orv_fail_arm() reads ORV_FAIL_CALL=N (1-based; 0 fails nothing) and ORV_FAIL_ERRNO=number;
// orv_fail_disarm() stops counting and tells how many calls it saw; orv_fail_label() names the
// call that was failed ("fsync folder", "close file", "write", ...), or "-".
// With ORV_FAIL_MODE=choppy nothing fails for good: every other write is interrupted (EINTR)
// and the rest write at most 3 bytes, as a signal or a pipe-like file may make them.

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

extern "C" {

namespace {
bool armed, choppy;
long calls, fail_at;
int fail_errno;
char failed_label[64] = "-";

// Takes its turn in the count; true when this call is the one to fail. `fd` >= 0 adds whether
// it is a file or a folder to the label.
bool fails_now(const char* label, int fd = -1) {
  if (!armed || ++calls != fail_at) return false;
  struct stat st = {};
  const bool folder = fd >= 0 && fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
  const char* kind = folder ? " folder" : " file";
  snprintf(failed_label, sizeof failed_label, "%s%s", label, fd < 0 ? "" : kind);
  errno = fail_errno;
  return true;
}
}  // namespace

void orv_fail_arm() {
  const char* n = getenv("ORV_FAIL_CALL");
  const char* e = getenv("ORV_FAIL_ERRNO");
  const char* m = getenv("ORV_FAIL_MODE");
  fail_at = n ? atol(n) : 0;
  fail_errno = e ? atoi(e) : EIO;
  choppy = m && m[0] == 'c';
  calls = 0;
  snprintf(failed_label, sizeof failed_label, "-");
  armed = true;
}

long orv_fail_disarm() {
  armed = false;
  return calls;
}

const char* orv_fail_label() {
  return failed_label;
}

#define REAL(name) (reinterpret_cast<decltype(&::name)>(dlsym(RTLD_NEXT, #name)))

#define PASS_OR_FAIL(ret, name, params, args, ...)        \
  ret name params {                                       \
    return fails_now(__VA_ARGS__) ? -1 : REAL(name) args; \
  }
#define OPEN_PASS_OR_FAIL(name, params, args)                                                     \
  int name params {                                                                               \
    va_list ap;                                                                                   \
    va_start(ap, flags);                                                                          \
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(ap, int) : 0;                    \
    va_end(ap);                                                                                   \
    return fails_now((flags & O_DIRECTORY) ? "open folder" : "open file") ? -1 : REAL(name) args; \
  }
// A choppy write is interrupted or short; it never fails for good.
#define WRITE_PASS_OR_FAIL(name, params, args)        \
  ssize_t name params {                               \
    if (armed && choppy) {                            \
      if (++calls % 2) return errno = EINTR, -1;      \
      if (n > 3) n = 3;                               \
      return REAL(name) args;                         \
    }                                                 \
    return fails_now("write") ? -1 : REAL(name) args; \
  }

OPEN_PASS_OR_FAIL(open, (const char* path, int flags, ...), (path, flags, mode))
OPEN_PASS_OR_FAIL(open64, (const char* path, int flags, ...), (path, flags, mode))
OPEN_PASS_OR_FAIL(openat, (int dir, const char* path, int flags, ...), (dir, path, flags, mode))
OPEN_PASS_OR_FAIL(openat64, (int dir, const char* path, int flags, ...), (dir, path, flags, mode))
WRITE_PASS_OR_FAIL(write, (int fd, const void* b, size_t n), (fd, b, n))
WRITE_PASS_OR_FAIL(pwrite, (int fd, const void* b, size_t n, off_t at), (fd, b, n, at))
WRITE_PASS_OR_FAIL(pwrite64, (int fd, const void* b, size_t n, off64_t at), (fd, b, n, at))
PASS_OR_FAIL(int, fsync, (int fd), (fd), "fsync", fd)
PASS_OR_FAIL(int, fdatasync, (int fd), (fd), "fsync", fd)
PASS_OR_FAIL(int, rename, (const char* from, const char* to), (from, to), "rename")
PASS_OR_FAIL(int, renameat, (int fd1, const char* from, int fd2, const char* to),
             (fd1, from, fd2, to), "rename")
PASS_OR_FAIL(int, renameat2, (int fd1, const char* from, int fd2, const char* to, unsigned f),
             (fd1, from, fd2, to, f), "rename")

// A failed close still closes, as the kernel does.
int close(int fd) {
  const bool fail = fails_now("close", fd);
  const int err = errno;
  const int result = REAL(close)(fd);
  if (!fail) return result;
  errno = err;
  return -1;
}

}  // extern "C"

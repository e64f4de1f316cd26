// Preloaded into a test program: once armed, the N-th call to any of the file functions below
// fails with a chosen errno instead of reaching the system; every other call passes through.
// orv_fail_arm() reads ORV_FAIL_CALL=N (1-based; 0 fails nothing) and ORV_FAIL_ERRNO=number;
// orv_fail_disarm() stops counting and tells how many calls it saw.

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

extern "C" {

namespace {
int armed;
long calls;
long fail_at;
int fail_errno;
}  // namespace

void orv_fail_arm() {
  const char* n = getenv("ORV_FAIL_CALL");
  const char* e = getenv("ORV_FAIL_ERRNO");
  fail_at = n ? atol(n) : 0;
  fail_errno = e ? atoi(e) : EIO;
  calls = 0;
  armed = 1;
}

long orv_fail_disarm() {
  armed = 0;
  return calls;
}

static int fails_now() {
  if (!armed) return 0;
  if (++calls != fail_at) return 0;
  errno = fail_errno;
  return 1;
}

#define REAL(name) (reinterpret_cast<decltype(&::name)>(dlsym(RTLD_NEXT, #name)))

// Each wrapper takes its turn in the count, then fails or passes the call on.
#define PASS_OR_FAIL(ret, name, params, args)  \
  ret name params {                            \
    return fails_now() ? -1 : REAL(name) args; \
  }
#define OPEN_PASS_OR_FAIL(name, params, args)                                  \
  int name params {                                                            \
    va_list ap;                                                                \
    va_start(ap, flags);                                                       \
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(ap, int) : 0; \
    va_end(ap);                                                                \
    return fails_now() ? -1 : REAL(name) args;                                 \
  }

OPEN_PASS_OR_FAIL(open, (const char* path, int flags, ...), (path, flags, mode))
OPEN_PASS_OR_FAIL(open64, (const char* path, int flags, ...), (path, flags, mode))
OPEN_PASS_OR_FAIL(openat, (int dir, const char* path, int flags, ...), (dir, path, flags, mode))
OPEN_PASS_OR_FAIL(openat64, (int dir, const char* path, int flags, ...), (dir, path, flags, mode))
PASS_OR_FAIL(ssize_t, write, (int fd, const void* b, size_t n), (fd, b, n))
PASS_OR_FAIL(ssize_t, pwrite, (int fd, const void* b, size_t n, off_t at), (fd, b, n, at))
PASS_OR_FAIL(ssize_t, pwrite64, (int fd, const void* b, size_t n, off64_t at), (fd, b, n, at))
PASS_OR_FAIL(int, fsync, (int fd), (fd))
PASS_OR_FAIL(int, fdatasync, (int fd), (fd))
PASS_OR_FAIL(int, rename, (const char* from, const char* to), (from, to))
PASS_OR_FAIL(int, renameat, (int fd1, const char* from, int fd2, const char* to),
             (fd1, from, fd2, to))
PASS_OR_FAIL(int, renameat2, (int fd1, const char* from, int fd2, const char* to, unsigned f),
             (fd1, from, fd2, to, f))

// A failed close still closes, as the kernel does.
int close(int fd) {
  const bool fail = fails_now();
  const int err = errno;
  const int result = REAL(close)(fd);
  if (!fail) return result;
  errno = err;
  return -1;
}

}  // extern "C"

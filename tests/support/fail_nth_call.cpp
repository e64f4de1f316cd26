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

static mode_t mode_of(int flags, va_list ap) {
  return (flags & (O_CREAT | O_TMPFILE)) ? static_cast<mode_t>(va_arg(ap, int)) : 0;
}

int open(const char* path, int flags, ...) {
  va_list ap;
  va_start(ap, flags);
  const mode_t mode = mode_of(flags, ap);
  va_end(ap);
  return fails_now() ? -1 : REAL(open)(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  va_list ap;
  va_start(ap, flags);
  const mode_t mode = mode_of(flags, ap);
  va_end(ap);
  return fails_now() ? -1 : REAL(open64)(path, flags, mode);
}

int openat(int dir, const char* path, int flags, ...) {
  va_list ap;
  va_start(ap, flags);
  const mode_t mode = mode_of(flags, ap);
  va_end(ap);
  return fails_now() ? -1 : REAL(openat)(dir, path, flags, mode);
}

int openat64(int dir, const char* path, int flags, ...) {
  va_list ap;
  va_start(ap, flags);
  const mode_t mode = mode_of(flags, ap);
  va_end(ap);
  return fails_now() ? -1 : REAL(openat64)(dir, path, flags, mode);
}

ssize_t write(int fd, const void* buf, size_t n) {
  return fails_now() ? -1 : REAL(write)(fd, buf, n);
}

ssize_t pwrite(int fd, const void* buf, size_t n, off_t at) {
  return fails_now() ? -1 : REAL(pwrite)(fd, buf, n, at);
}

ssize_t pwrite64(int fd, const void* buf, size_t n, off64_t at) {
  return fails_now() ? -1 : REAL(pwrite64)(fd, buf, n, at);
}

int fsync(int fd) {
  return fails_now() ? -1 : REAL(fsync)(fd);
}

int fdatasync(int fd) {
  return fails_now() ? -1 : REAL(fdatasync)(fd);
}

// A failed close still closes, as the kernel does.
int close(int fd) {
  if (fails_now()) {
    const int saved = errno;
    REAL(close)(fd);
    errno = saved;
    return -1;
  }
  return REAL(close)(fd);
}

int rename(const char* from, const char* to) {
  return fails_now() ? -1 : REAL(rename)(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
  return fails_now() ? -1 : REAL(renameat)(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
  return fails_now() ? -1 : REAL(renameat2)(fromDir, from, toDir, to, flags);
}

}  // extern "C"

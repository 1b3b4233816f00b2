// Preloaded beside libfiu's POSIX wrappers: fails one fault point on its n-th call only, and adds
// fault points for the calls those wrappers leave out (renameat2, mkstemps).
//
//   SLOTKIT_FAULT=posix/io/rw/write  SLOTKIT_FAULT_NTH=3  SLOTKIT_FAULT_ERRNO=5
//   SLOTKIT_FAULT_COUNT=/path  (the number of calls the point saw is written there at exit)
#undef _FILE_OFFSET_BITS  // wrap open and open64 each under its own name
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <fiu-control.h>
#include <fiu.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <unistd.h>

static long calls;
static long nth;

static int FailOnNth(const char* name, int* failnum, void** failinfo, unsigned int* flags) {
    (void)name;
    (void)failnum;
    (void)failinfo;
    (void)flags;
    // The program flushes and removes files from several threads at once.
    return __atomic_add_fetch(&calls, 1, __ATOMIC_RELAXED) == nth;
}

__attribute__((constructor)) static void StartFault(void) {
    const char* name = getenv("SLOTKIT_FAULT");
    if (name == NULL) {
        return;
    }
    const char* n = getenv("SLOTKIT_FAULT_NTH");
    const char* e = getenv("SLOTKIT_FAULT_ERRNO");
    nth = n != NULL ? atol(n) : 1;
    const long error = e != NULL ? atol(e) : EIO;
    fiu_init(0);
    fiu_enable_external(name, 1, (void*)error, 0, FailOnNth);
}

// Written with raw system calls, so the wrappers neither see nor fail them.
__attribute__((destructor)) static void ReportCalls(void) {
    const char* path = getenv("SLOTKIT_FAULT_COUNT");
    if (path == NULL) {
        return;
    }
    char text[32];
    const int length =
        snprintf(text, sizeof text, "%ld\n", __atomic_load_n(&calls, __ATOMIC_RELAXED));
    const long fd = syscall(SYS_openat, AT_FDCWD, path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        syscall(SYS_write, fd, text, (size_t)length);
        syscall(SYS_close, fd);
    }
}

static int Injected(const char* point) {
    if (!fiu_fail(point)) {
        return 0;
    }
    const long error = (long)fiu_failinfo();
    errno = error != 0 ? (int)error : EIO;
    return 1;
}

int renameat2(int oldDir, const char* oldPath, int newDir, const char* newPath, unsigned flags) {
    static int (*real)(int, const char*, int, const char*, unsigned);
    if (real == NULL) {
        real = (int (*)(int, const char*, int, const char*, unsigned))dlsym(RTLD_NEXT, "renameat2");
    }
    if (Injected("extra/renameat2")) {
        return -1;
    }
    return real(oldDir, oldPath, newDir, newPath, flags);
}

int mkstemps64(char* pattern, int suffixLength) {
    static int (*real)(char*, int);
    if (real == NULL) {
        real = (int (*)(char*, int))dlsym(RTLD_NEXT, "mkstemps64");
    }
    if (Injected("extra/mkstemps")) {
        return -1;
    }
    return real(pattern, suffixLength);
}

// Preloaded into slotkit to take the card away in the middle of a command: when the program
// opens a path containing SLOTKIT_VANISH_MATCH for the SLOTKIT_VANISH_NTH-th time, the save
// folder is first moved away (SLOTKIT_VANISH_MOVE_FROM to SLOTKIT_VANISH_MOVE_TO) or the
// process SLOTKIT_VANISH_KILL (a FUSE driver) is killed and waited for.
#undef _FILE_OFFSET_BITS  // wrap open and open64 each under its own name
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static long seen;
static int done;

static int Gone(long pid) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    FILE* file = fopen(path, "r");
    if (file == NULL) {
        return 1;
    }
    char state = '?';
    const int got = fscanf(file, "%*d %*s %c", &state);
    fclose(file);
    return got == 1 && (state == 'Z' || state == 'X');
}

static void MaybeVanish(const char* path) {
    const char* match = getenv("SLOTKIT_VANISH_MATCH");
    if (__atomic_load_n(&done, __ATOMIC_ACQUIRE) || match == NULL || path == NULL ||
        strstr(path, match) == NULL) {
        return;
    }
    // Paths are opened from several threads at once: one of them, once, takes the folder away.
    const char* n = getenv("SLOTKIT_VANISH_NTH");
    if (__atomic_add_fetch(&seen, 1, __ATOMIC_RELAXED) != (n != NULL ? atol(n) : 1)) {
        return;
    }
    __atomic_store_n(&done, 1, __ATOMIC_RELEASE);
    const char* from = getenv("SLOTKIT_VANISH_MOVE_FROM");
    const char* to = getenv("SLOTKIT_VANISH_MOVE_TO");
    if (from != NULL && to != NULL) {
        rename(from, to);
    }
    const char* kill_pid = getenv("SLOTKIT_VANISH_KILL");
    if (kill_pid != NULL) {
        const long pid = atol(kill_pid);
        kill((pid_t)pid, SIGKILL);
        for (int i = 0; i < 500 && !Gone(pid); ++i) {
            const struct timespec pause = {0, 10 * 1000 * 1000};
            nanosleep(&pause, NULL);
        }
    }
}

#define OPEN_WRAPPER(NAME)                                                        \
    int NAME(const char* path, int flags, ...) {                                  \
        static int (*real)(const char*, int, ...);                                \
        if (real == NULL) {                                                       \
            real = (int (*)(const char*, int, ...))dlsym(RTLD_NEXT, #NAME);       \
        }                                                                         \
        MaybeVanish(path);                                                        \
        va_list args;                                                             \
        va_start(args, flags);                                                    \
        const int mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, int) : 0; \
        va_end(args);                                                             \
        return real(path, flags, mode);                                           \
    }

OPEN_WRAPPER(open)
OPEN_WRAPPER(open64)

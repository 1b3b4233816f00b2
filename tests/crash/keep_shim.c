// Preloaded into slotkit in the guest so that the history keeps what the command finished
// with: a removal of a path containing SLOTKIT_KEEP_MATCH, or a rename onto a path containing
// SLOTKIT_KEEP_RENAME_TO, is skipped and reported as done. The history then holds every
// unfinished write the command recorded, as it was while the card was being written.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int Matches(const char* path, const char* variable) {
    const char* match = getenv(variable);
    return match != NULL && *match != '\0' && path != NULL && strstr(path, match) != NULL;
}

int unlink(const char* path) {
    static int (*real)(const char*);
    if (Matches(path, "SLOTKIT_KEEP_MATCH")) {
        return 0;
    }
    if (real == NULL) {
        real = (int (*)(const char*))dlsym(RTLD_NEXT, "unlink");
    }
    return real(path);
}

int unlinkat(int folder, const char* path, int flags) {
    static int (*real)(int, const char*, int);
    if (Matches(path, "SLOTKIT_KEEP_MATCH")) {
        return 0;
    }
    if (real == NULL) {
        real = (int (*)(int, const char*, int))dlsym(RTLD_NEXT, "unlinkat");
    }
    return real(folder, path, flags);
}

int remove(const char* path) {
    static int (*real)(const char*);
    if (Matches(path, "SLOTKIT_KEEP_MATCH")) {
        return 0;
    }
    if (real == NULL) {
        real = (int (*)(const char*))dlsym(RTLD_NEXT, "remove");
    }
    return real(path);
}

int rename(const char* from, const char* to) {
    static int (*real)(const char*, const char*);
    if (Matches(to, "SLOTKIT_KEEP_RENAME_TO")) {
        return 0;
    }
    if (real == NULL) {
        real = (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
    }
    return real(from, to);
}

int renameat(int fromFolder, const char* from, int toFolder, const char* to) {
    static int (*real)(int, const char*, int, const char*);
    if (Matches(to, "SLOTKIT_KEEP_RENAME_TO")) {
        return 0;
    }
    if (real == NULL) {
        real = (int (*)(int, const char*, int, const char*))dlsym(RTLD_NEXT, "renameat");
    }
    return real(fromFolder, from, toFolder, to);
}

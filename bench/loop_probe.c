// Preloaded into the program by bench/window-passes: times every pass of the window thread's
// main loop, from the return of one wait (poll) to the start of the next, by the clock and by
// the thread's own CPU time (which a busy machine's other work does not lengthen). Each pass
// over 16 ms by either is added to the file named by QM_LOOP_PROBE as it ends ("<end> <length>
// <cpu>", milliseconds, the end by the monotonic clock), and every pass counts in the line
// "passes <n> <end>" written each second.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

static double Clock(clockid_t clock) {
    struct timespec now;
    clock_gettime(clock, &now);
    return (double)now.tv_sec * 1000.0 + (double)now.tv_nsec / 1e6;
}

static double Now(void) {
    return Clock(CLOCK_MONOTONIC);
}

static int (*realPoll)(struct pollfd*, nfds_t, int);
static FILE* out;
static double lastReturn = -1;
static double lastReturnCpu;
static double lastCounted;
static long passes;

int poll(struct pollfd* fds, nfds_t count, int timeout) {
    if (realPoll == NULL) {
        realPoll = (int (*)(struct pollfd*, nfds_t, int))dlsym(RTLD_NEXT, "poll");
        const char* path = getenv("QM_LOOP_PROBE");
        out = path != NULL ? fopen(path, "w") : NULL;
    }
    const int mainThread = syscall(SYS_gettid) == getpid();
    if (mainThread && lastReturn >= 0 && out != NULL) {
        const double now = Now();
        const double cpu = Clock(CLOCK_THREAD_CPUTIME_ID) - lastReturnCpu;
        ++passes;
        if (now - lastReturn > 16.0 || cpu > 16.0) {
            fprintf(out, "%.1f %.1f %.1f\n", now, now - lastReturn, cpu);
            fflush(out);
        }
        if (now - lastCounted > 1000.0) {
            fprintf(out, "passes %ld %.1f\n", passes, now);
            fflush(out);
            lastCounted = now;
        }
    }
    const int result = realPoll(fds, count, timeout);
    if (mainThread) {
        lastReturn = Now();
        lastReturnCpu = Clock(CLOCK_THREAD_CPUTIME_ID);
    }
    return result;
}

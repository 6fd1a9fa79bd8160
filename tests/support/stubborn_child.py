"""A child process that its parent can neither end politely nor collect at once.

It ignores SIGTERM, and a tracer of its own attaches to it and never collects it, so that once
killed it stays out of its parent's reach until the tracer lets go, as a program stuck in the
kernel would. Prints "READY <tracer pid>" once the tracer holds it; killing the tracer lets go.
Both end by themselves after the seconds given (60 by default).
"""
import ctypes
import os
import signal
import sys
import time

PR_SET_PTRACER = 0x59616D61
PR_SET_PTRACER_ANY = ctypes.c_ulong(0xFFFFFFFFFFFFFFFF)
PTRACE_SEIZE = 0x4206

seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 60.0
libc = ctypes.CDLL(None, use_errno=True)
# Where Yama restricts tracing, a child may trace its parent only when allowed to.
libc.prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY, 0, 0, 0)
signal.signal(signal.SIGTERM, signal.SIG_IGN)

me = os.getpid()
reading, writing = os.pipe()
tracer = os.fork()
if tracer == 0:
    # Without tracing (a sandbox may forbid it) the child is only deaf to SIGTERM.
    libc.ptrace(PTRACE_SEIZE, me, None, None)
    os.write(writing, b"x")
    time.sleep(seconds)
    os._exit(0)
os.read(reading, 1)
print("READY", tracer, flush=True)
time.sleep(seconds)

#!/usr/bin/env python3
# usage (inside xvfb-run -a): idle.py BINARY closed|open [seconds]
# Idle CPU of the window: a pty as KELVRA_EXTRA_PORTS whose master is held and never written,
# fresh HOME with the pty chosen in the settings; utime+stime ticks over the window.
import os, pty, subprocess, sys, tempfile, time
binary, mode = sys.argv[1], sys.argv[2]
secs = int(sys.argv[3]) if len(sys.argv) > 3 else 60
master, slave = pty.openpty()
path = os.ttyname(slave)
home = tempfile.mkdtemp(prefix="kelvra-idle")
os.makedirs(home + "/.config/Tavrosk")
with open(home + "/.config/Tavrosk/Kelvra.conf", "w") as f:
    f.write("[General]\nport=%s\n" % path)
env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + "/.config",
           XDG_DATA_HOME=home + "/.local/share", KELVRA_EXTRA_PORTS=path)
p = subprocess.Popen([binary], env=env)
def ticks():
    f = open("/proc/%d/stat" % p.pid).read().rsplit(")", 1)[1].split()
    return int(f[11]) + int(f[12])
time.sleep(3)
if mode in ("open", "focus"):
    subprocess.run(["xdotool", "search", "--name", "^Kelvra ", "windowfocus"],
                   stdout=subprocess.DEVNULL)
    time.sleep(0.5)
    if mode == "open": subprocess.run(["xdotool", "type", "--delay", "20", "AT"])
    if mode == "open": subprocess.run(["xdotool", "key", "Return"])
time.sleep(2)
fds = [os.readlink("/proc/%d/fd/%s" % (p.pid, fd)) for fd in os.listdir("/proc/%d/fd" % p.pid)]
opened = path in fds
t0 = ticks()
time.sleep(secs)
t1 = ticks()
got = b""
os.set_blocking(master, False)
try:
    got = os.read(master, 1000)
except BlockingIOError:
    pass
p.terminate(); p.wait()
print("%s %s port-open=%s received=%r ticks=%d in %d s" % (binary, mode, opened, got, t1 - t0, secs))

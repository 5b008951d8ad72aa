"""F8 detail: SIGTERM at fixed early moments after exec; what ft-host prints and how it exits."""
import os, sys, time, signal, subprocess
sys.path.insert(0, os.path.dirname(__file__))
from h import Host, BIN, free_port
h = Host(level='warning'); h.stop()
for d in (0.0, 0.002, 0.005, 0.01, 0.02, 0.03, 0.05, 0.08):
    seen = {}
    for _ in range(4):
        p = subprocess.Popen([BIN, '--data', h.data, '--port', str(free_port()), '--control-port', '0', '--log-level', 'warning'], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        time.sleep(d); p.send_signal(signal.SIGTERM); out, err = p.communicate(timeout=15)
        k = (p.returncode, (out.decode().splitlines() or [''])[0][:30], err.decode().strip()[-70:])
        seen[k] = seen.get(k, 0) + 1
    print(d, seen)

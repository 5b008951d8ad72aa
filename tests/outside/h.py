"""Shared helpers of the outside reproducers: start ft-host on a copy of the demo, raw sockets, RSS."""
import os, re, shutil, signal, socket, subprocess, sys, tempfile, time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BIN = os.path.join(ROOT, 'build', 'bin', 'ft-host')


def free_port():
    s = socket.socket(); s.bind(('127.0.0.1', 0)); p = s.getsockname()[1]; s.close(); return p


class Host:
    def __init__(self, data_edit=None, extra=(), level='info', keep_data=None):
        self.work = tempfile.mkdtemp(prefix='ft-audit-')
        shutil.copytree(os.path.join(ROOT, 'examples', 'demo'), os.path.join(self.work, 'demo'))
        self.data = os.path.join(self.work, 'demo', 'demo.xml')
        if data_edit:
            t = open(self.data).read(); open(self.data, 'w').write(data_edit(t))
        self.atws = os.path.join(self.work, 'demo', 'gui', 'ApplicationData', 'ATWS')
        os.makedirs(self.atws, exist_ok=True)
        self.gui = os.path.join(self.work, 'demo', 'gui')
        self.port = free_port(); self.cport = free_port()
        self.logf = os.path.join(self.work, 'host.log')
        self.err = open(os.path.join(self.work, 'stderr'), 'w+')
        self.out = open(os.path.join(self.work, 'stdout'), 'w+')
        self.p = subprocess.Popen(['nice', BIN, '--data', self.data, '--port', str(self.port),
                                   '--control-port', str(self.cport), '--log-file', self.logf,
                                   '--log-level', level, *extra], stdout=self.out, stderr=self.err)
        t0 = time.time()
        while time.time() - t0 < 20:
            if 'control panel on' in open(self.out.name).read(): break
            if self.p.poll() is not None: break
            time.sleep(0.05)
        self.pid = self.p.pid  # nice execs ft-host: same pid
        if self.p.poll() is not None: print("HOST DID NOT START", self.p.returncode, self.stdout(), self.stderr()[:400])

    def log(self):
        try: return open(self.logf, errors='replace').read()
        except FileNotFoundError: return ''

    def stdout(self): return open(self.out.name).read()
    def stderr(self): return open(self.err.name, errors='replace').read()

    def rss_kb(self):
        m = re.search(r'VmRSS:\s+(\d+)', open(f'/proc/{self.pid}/status').read()); return int(m.group(1))

    def stop(self, timeout=15):
        t0 = time.time()
        if self.p.poll() is None:
            self.p.send_signal(signal.SIGTERM)
            try: self.p.wait(timeout)
            except subprocess.TimeoutExpired:
                self.p.kill(); self.p.wait()
                return ('killed', time.time() - t0)
        return (self.p.returncode, time.time() - t0)


def raw(port, data, timeout=10, shut=False, chunks=None, gap=0.0):
    """Send bytes (or a list of chunks with a gap), read the whole reply to the close."""
    s = socket.create_connection(('127.0.0.1', port), timeout=timeout)
    try:
        for c in (chunks or [data]):
            s.sendall(c)
            if gap: time.sleep(gap)
        if shut: s.shutdown(socket.SHUT_WR)
        out = b''
        while True:
            try: b = s.recv(65536)
            except (socket.timeout, ConnectionResetError): break
            if not b: break
            out += b
        return out
    finally:
        s.close()


def status(reply):
    m = re.match(rb'HTTP/1\.[01] (\d+)', reply); return int(m.group(1)) if m else None


def body(reply):
    i = reply.find(b'\r\n\r\n'); return reply[i + 4:] if i >= 0 else b''


def get(port, target, headers=(), **kw):
    h = ''.join(f'{k}: {v}\r\n' for k, v in headers)
    return raw(port, f'GET {target} HTTP/1.0\r\n{h}\r\n'.encode(), **kw)

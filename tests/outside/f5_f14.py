"""F5: trickling and idle clients on the panel, then /api/ecu and the time SIGTERM takes.
F14: silent connections fill the FT server's places, then an honest request."""
import os, sys, time, socket, threading, signal
sys.path.insert(0, os.path.dirname(__file__))
from h import Host, get, status
h = Host(level='warning')
stop = False
def trickle(n_bytes_gap):
    s = socket.create_connection(('127.0.0.1', h.cport))
    msg = f'GET /api/ecu HTTP/1.1\r\nHost: 127.0.0.1:{h.cport}\r\nX-Slow: ' + 'a' * 1000
    try:
        for ch in msg:
            if stop: break
            s.sendall(ch.encode()); time.sleep(n_bytes_gap)
    except OSError: return 'cut'
    return 'not cut'
res = []
ts = [threading.Thread(target=lambda g=g: res.append(trickle(g)), daemon=True) for g in [0.5] * 12 + [1.9] * 12]
idle = [socket.create_connection(('127.0.0.1', h.cport)) for _ in range(20)]
ka = socket.create_connection(('127.0.0.1', h.cport)); ka.sendall(f'GET /api/changes HTTP/1.1\r\nHost: 127.0.0.1:{h.cport}\r\n\r\n'.encode()); ka.recv(1000)
[t.start() for t in ts]; time.sleep(3)
for i in range(3):
    t0 = time.time(); r = get(h.cport, '/api/ecu', headers=[('Host', f'127.0.0.1:{h.cport}')], timeout=20)
    print(f'/api/ecu under 24 tricklers + 20 idle + 1 keep-alive: {status(r)} in {time.time()-t0:.2f}s')
time.sleep(3); print('tricklers cut so far:', res.count('cut'), 'of', len(res))
print('stop (panel clients alive):', h.stop())
stop = True
# F14
h = Host(level='warning')
silent = [socket.create_connection(('127.0.0.1', h.port)) for _ in range(300)]
time.sleep(0.5)
for i in range(3):
    t0 = time.time(); r = get(h.port, '/Scripts/init.js', timeout=40); print(f'F14 after 300 silent: {status(r)} {len(r)} B in {time.time()-t0:.2f}s')
# silent ones after senders: 256 senders holding partial request lines + newcomer
for s in silent: s.close()
time.sleep(0.5)
part = []
for i in range(256):
    s = socket.create_connection(('127.0.0.1', h.port)); s.sendall(b'GET /Scripts/init.js'); part.append(s)
time.sleep(0.5)
t0 = time.time(); r = get(h.port, '/Scripts/init.js', timeout=10); print(f'F14 256 partial senders, newcomer: status {status(r)} len {len(r)} in {time.time()-t0:.2f}s (expected: closed without reply)')
s = part[0]; s.sendall(b' HTTP/1.0\r\n\r\n'); s.settimeout(5); print('  a partial sender finishes:', status(s.recv(100)))
w = h.stderr(); print('  warnings mentioning silent/places:', sum(1 for l in w.splitlines() if 'silent' in l or 'place' in l))
print('stop', h.stop())

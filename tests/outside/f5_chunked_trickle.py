"""F5 variant: bodies trickled chunk by chunk (each read is quick, the whole is not), 12 at once; then /api/ecu and stop."""
import os, sys, time, socket, threading
sys.path.insert(0, os.path.dirname(__file__))
from h import Host, get, status
h = Host(level='warning'); res = []
def trickle():
    s = socket.create_connection(('127.0.0.1', h.cport)); t0 = time.time()
    s.sendall(f'POST /api/command/SelfTest HTTP/1.1\r\nHost: 127.0.0.1:{h.cport}\r\nContent-Type: application/json\r\nTransfer-Encoding: chunked\r\n\r\n'.encode())
    try:
        for i in range(40):
            s.sendall(b'1\r\n \r\n'); time.sleep(0.4)
        res.append(('not cut', round(time.time() - t0, 1)))
    except OSError: res.append(('cut', round(time.time() - t0, 1)))
ts = [threading.Thread(target=trickle, daemon=True) for _ in range(12)]; [t.start() for t in ts]
time.sleep(2.5)
for _ in range(2):
    t0 = time.time(); r = get(h.cport, '/api/ecu', headers=[('Host', f'127.0.0.1:{h.cport}')], timeout=30); print(f'/api/ecu: {status(r)} in {time.time()-t0:.2f}s')
time.sleep(3); print('tricklers:', res)
print('stop', h.stop())

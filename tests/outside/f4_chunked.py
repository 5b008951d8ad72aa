"""F4: chunked bodies beyond 1 MiB, a valid JSON one and an endless one; RSS and time."""
import os, sys, time, socket, threading
sys.path.insert(0, os.path.dirname(__file__))
from h import Host, status, body
h = Host(level='warning')
def post_chunked(path, chunks, timeout=20):
    s = socket.create_connection(('127.0.0.1', h.cport), timeout=timeout)
    s.sendall(f'POST {path} HTTP/1.1\r\nHost: 127.0.0.1:{h.cport}\r\nContent-Type: application/json\r\nTransfer-Encoding: chunked\r\n\r\n'.encode())
    sent = 0; t0 = time.time()
    try:
        for c in chunks:
            s.sendall(b'%x\r\n' % len(c) + c + b'\r\n'); sent += len(c)
            if time.time() - t0 > 15: break
        s.sendall(b'0\r\n\r\n')
    except (BrokenPipeError, ConnectionResetError) as e:
        pass
    out = b''
    try:
        while True:
            b = s.recv(65536)
            if not b: break
            out += b
    except Exception: pass
    return status(out), body(out)[:90], sent, time.time() - t0
rss0 = h.rss_kb()
print('valid JSON + 2 MiB spaces, chunked:', post_chunked('/api/command/SelfTest', [b'{"value":77}'] + [b' ' * 65536] * 32))
print('  SelfTest value now:', [c['value'] for c in __import__('json').loads(__import__('urllib.request').request.urlopen(f'http://127.0.0.1:{h.cport}/api/ecu').read())['commands'] if c['name'] == 'SelfTest'])
peak = [0]
def watch():
    while not done: peak[0] = max(peak[0], h.rss_kb()); time.sleep(0.1)
done = False; threading.Thread(target=watch, daemon=True).start()
print('endless chunked (up to 15 s / 2 GiB):', post_chunked('/api/command/SelfTest', ([b' ' * 1048576] * 2048)))
done = True; time.sleep(0.2)
print(f'RSS before {rss0} kB, peak {peak[0]} kB')
print('stop', h.stop())
h = Host(level='warning'); rss0 = h.rss_kb(); done = False; peak = [0]
threading.Thread(target=watch, daemon=True).start()
ts = [threading.Thread(target=lambda: print(' parallel:', post_chunked('/api/command/SelfTest', ([b' ' * 1048576] * 2048))[:2])) for _ in range(6)]
[t.start() for t in ts]; [t.join() for t in ts]; done = True; time.sleep(0.2)
print(f'6 parallel endless chunked: RSS before {rss0} kB, peak {peak[0]} kB, after {h.rss_kb()} kB')
print('stop', h.stop())

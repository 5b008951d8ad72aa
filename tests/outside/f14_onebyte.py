"""F14 variant: 256 connections that send one byte each, then nothing; how long an honest client is locked out."""
import os, sys, time, socket
sys.path.insert(0, os.path.dirname(__file__))
from h import Host, get, status
h = Host(level='warning')
socks = []
for _ in range(256):
    s = socket.create_connection(('127.0.0.1', h.port)); s.sendall(b'G'); socks.append(s)
time.sleep(0.3); t0 = time.time(); first = None; fails = 0
while time.time() - t0 < 40:
    try: r = get(h.port, '/Scripts/init.js', timeout=2)
    except OSError: r = b''
    if status(r) == 200: first = time.time() - t0; break
    fails += 1; time.sleep(0.5)
print(f'256 one-byte senders: honest GET refused {fails} times, first served after {first}s')
print('stop', h.stop())

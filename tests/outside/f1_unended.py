"""F1 detail: a deleteFile whose head never reaches its blank line (half-close, or a stall past the receive time-out)."""
import os, sys, time, socket
sys.path.insert(0, os.path.dirname(__file__))
from h import Host, raw, status
h = Host(data_edit=lambda t: t.replace('<data>', '<data>\n    <integer key="data:/Configuration/OrvaneFunctionTests/ReceiveTimeout">3000</integer>', 1), level='warning')
def victim(n): open(f'{h.atws}/{n}', 'w').write('x'); return n
def kept(n): return 'kept' if os.path.exists(f'{h.atws}/{n}') else 'DELETED'
for tag, tail in [('no header', b''), ('plain header', b'X-A: b\r\n'), ('foreign header', b'Sec-Fetch-Site: cross-site\r\n'),
                  ('half foreign header', b'Sec-Fetch-Site: cro'), ('origin', b'Origin: http://evil.example\r\n')]:
    for L in (0, 65536):
        v = victim(f'u{L}{tag.replace(" ", "")}.txt')
        req = f'GET /deleteFile?name={v}'.encode() + (b'&pad=' + b'a' * L if L else b'') + b' HTTP/1.0\r\n' + tail
        r = raw(h.port, req, shut=True, timeout=10)
        print(f'half-close, {tag:20} pad {L:6}: status {status(r)} {kept(v)}')
v = victim('stall.txt')
t0 = time.time(); r = raw(h.port, f'GET /deleteFile?name={v} HTTP/1.0\r\nX-A: b\r\n'.encode(), timeout=10)
print(f'stall (no blank line, no close): status {status(r)} after {time.time()-t0:.1f}s {kept(v)}')
print([l[24:200] for l in h.stderr().splitlines() if 'warning' in l][-4:])
print('stop', h.stop())

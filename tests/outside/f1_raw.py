"""F1/F12 from a raw socket: state-changing commands with foreign headers placed where the old guard
did not look (long request lines, split receives, odd spellings). A file that disappears or an
event 669 is a hole."""
import os, sys, time
sys.path.insert(0, os.path.dirname(__file__))
from h import Host, raw, status, body

h = Host()
P = h.port
results = []

def victim(tag):
    n = f'v_{tag}.txt'; open(os.path.join(h.atws, n), 'w').write('x'); return n

def alive(n): return os.path.exists(os.path.join(h.atws, n))

def req(target, headers, eol=b'\r\n', pad_to=None):
    line = b'GET ' + target.encode()
    if pad_to:
        line += b'&pad=' + b'a' * max(0, pad_to - len(line) - len(b'&pad=') - len(b' HTTP/1.0'))
    line += b' HTTP/1.0'
    return line + eol + b''.join(k + b': ' + v + eol for k, v in headers) + eol

foreign = [
    ('sfs', [(b'Sec-Fetch-Site', b'cross-site')]),
    ('sfs-lower', [(b'sec-fetch-site', b'cross-site')]),
    ('sfs-upper', [(b'SEC-FETCH-SITE', b'cross-site')]),
    ('sfs-same-site', [(b'Sec-Fetch-Site', b'same-site')]),
    ('sfs-dup', [(b'Sec-Fetch-Site', b'same-origin'), (b'Sec-Fetch-Site', b'cross-site')]),
    ('origin', [(b'Host', b'127.0.0.1:%d' % P), (b'Origin', b'http://evil.example')]),
    ('origin-null', [(b'Origin', b'null')]),
    ('origin-port', [(b'Host', b'127.0.0.1:%d' % P), (b'oRiGiN', b'http://127.0.0.1:1')]),
    ('host-evil', [(b'Host', b'evil.example:%d' % P)]),
    ('host-dup', [(b'Host', b'127.0.0.1:%d' % P), (b'host', b'evil.example')]),
    ('host-sub', [(b'Host', b'127.0.0.1.nip.example')]),
]
lengths = [None, 1000, 65416, 65536 - 300, 65536 - 20, 65536, 65540, 131072 - 200, 131072, 131100,
           262144, 300000, 1048576 - 400]
n = bad = 0
for L in lengths:
    for tag, hdrs in foreign:
        for eol in (b'\r\n', b'\n'):
            if L and L > 70000 and eol == b'\n' and tag not in ('sfs', 'host-evil'): continue
            v = victim(f'{L}_{tag}')
            r = raw(P, req(f'/deleteFile?name={v}', hdrs, eol, L), timeout=15)
            n += 1
            if alive(v) is False or status(r) != 404:
                bad += 1; print('OPEN', L, tag, eol, status(r), alive(v), r[:120])
            try: os.remove(os.path.join(h.atws, v))
            except FileNotFoundError: pass
print(f'deleteFile, foreign headers, {n} variants: {bad} deleted or not 404')

# Headers arriving in later segments, after the request line filled the first receive.
for L in (65416, 65536, 131072):
    for gap in (0.05, 0.5, 2.0):
        v = victim(f'split{L}_{gap}')
        line = req(f'/deleteFile?name={v}', [], b'\r\n', L)[:-4] + b'\r\n'
        r = raw(P, None, chunks=[line, b'Sec-Fetch-Site: ', b'cross-site\r\n', b'\r\n'], gap=gap, timeout=15)
        print('split', L, gap, status(r), 'file kept' if alive(v) else 'DELETED')

# Head that never ends: half-close after a header, and a request over 1 MiB.
for L in (100, 65536, 1048576 - 100):
    v = victim(f'noend{L}')
    line = req(f'/deleteFile?name={v}', [], b'\r\n', L)[:-4] + b'\r\nX-A: b\r\n'
    r = raw(P, line, shut=True, timeout=40)
    print('head-not-ended', L, status(r), len(r), 'file kept' if alive(v) else 'DELETED')
v = victim('over1m')
r = raw(P, req(f'/deleteFile?name={v}', [(b'X-Pad', b'b' * 1048576)], b'\r\n', 1000), timeout=15)
print('head over 1 MiB', status(r), len(r), 'file kept' if alive(v) else 'DELETED')

# Other spellings of the command and other methods, cross-site.
for tgt in ['/DELETEFILE?name={v}', '/DeleteFile?name={v}', '//deleteFile?name={v}', '///deleteFile?name={v}',
            '/http://127.0.0.1/deleteFile?name={v}', 'http://127.0.0.1:%d/deleteFile?name={v}' % P,
            '/deleteFile/?name={v}', '/deleteFile?name={v}#x', '/deleteFile?x=1&name={v}', '/./deleteFile?name={v}',
            '/a/../deleteFile?name={v}', '/deleteFile%3Fname={v}']:
    for method in ('GET', 'POST', 'HEAD', 'get'):
        v = victim('sp' + str(abs(hash((tgt, method))) % 10**8))
        t = tgt.replace('{v}', v)
        r = raw(P, f'{method} {t} HTTP/1.0\r\nSec-Fetch-Site: cross-site\r\n\r\n'.encode())
        if not alive(v): print('OPEN spelling', method, t, status(r))
        try: os.remove(os.path.join(h.atws, v))
        except FileNotFoundError: pass
print('spellings done')

# writeFile, sendQuery, sendRawQuery, ENDFT cross-site at long lines; then event count.
ev0 = h.log().count('received event 669')
for L in (None, 65416, 65536, 131072):
    for t in ['/writeFile?name=w.txt&content=EVIL', '/sendQuery?ecu=DEMO&query=StartPump', '/sendQuery?ecu=DEMO&query=NoSuch',
              '/sendRawQuery?ecu=DEMO&query=22F190', '/ENDFT', '/sendQuery?ecu=DEMO&query=Calibrate']:
        r = raw(P, req(t, [(b'Sec-Fetch-Site', b'cross-site')], b'\r\n', L))
        if status(r) != 404: print('OPEN', L, t, status(r), body(r)[:60])
time.sleep(0.5)
print('writeFile made file:', os.path.exists(os.path.join(h.atws, 'w.txt')),
      ' events 669 from foreign:', h.log().count('received event 669') - ev0)
# Control: same requests without foreign headers do act.
v = victim('own'); r = raw(P, req(f'/deleteFile?name={v}', [(b'Sec-Fetch-Site', b'same-origin')], b'\r\n', 65416))
print('control same-origin long deleteFile:', status(r), 'deleted' if not alive(v) else 'KEPT')
r = raw(P, b'GET /ENDFT HTTP/1.0\r\n\r\n'); time.sleep(0.3)
print('control ENDFT plain:', status(r), 'events', h.log().count('received event 669') - ev0)
print('warnings:', h.log().count('[warning]'))
print('stop', h.stop())

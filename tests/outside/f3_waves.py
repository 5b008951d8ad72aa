"""F3 refined: stalled readers held explicitly; waves of readers that give up, to see whether RSS ratchets past the documented ~580 MiB."""
import os, sys, time, socket
sys.path.insert(0, os.path.dirname(__file__))
from h import Host
h = Host(level='warning'); A = h.atws
open(f'{A}/a1.xml', 'w').write('<r>' + '<a/>' * (1048576 // 4) + '</r>')
open(f'{A}/a4.xml', 'w').write('<r>' + '<a/>' * (4 * 1048576 // 4) + '</r>')
def stalled(name, n):
    out = []
    for _ in range(n):
        s = socket.create_connection(('127.0.0.1', h.port)); s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        s.sendall(f'GET /readXMLFile?type=x&name=ApplicationData/ATWS/{name} HTTP/1.0\r\n\r\n'.encode()); out.append(s)
    return out
def served(socks):
    n = 0
    for s in socks:
        s.settimeout(0.5)
        try: n += len(s.recv(200)) > 150  # a refused read's reply is a bare head
        except socket.timeout: pass
    return n
peak = 0
held = stalled('a1.xml', 40)
for _ in range(16): peak = max(peak, h.rss_kb()); time.sleep(0.25)
print(f'40 stalled a1 (1 MiB <a/>): RSS {h.rss_kb()} kB peak {peak}')
for wave in range(6):
    w = stalled('a4.xml' if wave % 2 else 'a1.xml', 20)
    for _ in range(8): peak = max(peak, h.rss_kb()); time.sleep(0.25)
    for s in w: s.close()
    time.sleep(1.0)
    print(f'wave {wave}: RSS {h.rss_kb()} kB peak {peak}')
for s in held: s.close()
time.sleep(2); print('all closed: RSS', h.rss_kb(), 'peak', peak, 'budget warnings', h.stderr().count('kXmlReadBudgetBytes'))
print('stop', h.stop())

"""F3: readXMLFile memory with stalled readers, the 8 MiB cap, the shared budget, entity expansion."""
import os, sys, time, socket
sys.path.insert(0, os.path.dirname(__file__))
from h import Host, get, status, body
h = Host(level='warning')
A = h.atws
doc = ''.join(f'<item id="{i}" name="n{i}" kind="k">text {i} of the document</item>\n' for i in range(95000))
open(f'{A}/big7.xml', 'w').write('<root>\n' + doc + '</root>\n')
open(f'{A}/a8.xml', 'w').write('<r>' + '<a/>' * ((8 * 1048576 - 8) // 4) + '</r>')
open(f'{A}/over.xml', 'w').write('<r>' + '<a/>' * ((8 * 1048576) // 4) + '</r>')
open(f'{A}/a1.xml', 'w').write('<r>' + '<a/>' * (1048576 // 4) + '</r>')
lol = '<?xml version="1.0"?><!DOCTYPE l [<!ENTITY a "aaaaaaaaaa">' + ''.join(
    f'<!ENTITY {chr(98+i)} "' + f'&{chr(97+i)};' * 10 + '">' for i in range(9)) + ']><l>&j;</l>'
open(f'{A}/lol.xml', 'w').write(lol)
for n in ('big7', 'a8', 'over', 'a1'): print(n, os.path.getsize(f'{A}/{n}.xml'))
def stalled(name, n):
    socks = []
    for _ in range(n):
        s = socket.create_connection(('127.0.0.1', h.port)); s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        s.sendall(f'GET /readXMLFile?type=x&name=ApplicationData/ATWS/{name} HTTP/1.0\r\n\r\n'.encode()); socks.append(s)
    return socks
r0 = h.rss_kb(); print('RSS idle', r0)
t = time.time(); r = get(h.port, '/readXMLFile?type=x&name=ApplicationData/ATWS/big7.xml', timeout=60); print('one read big7: status', status(r), 'bytes', len(r), f'{time.time()-t:.2f}s', 'RSS', h.rss_kb())
t = time.time(); r = get(h.port, '/readXMLFile?type=x&name=ApplicationData/ATWS/lol.xml', timeout=60); print('entity bomb: status', status(r), 'bytes', len(r), f'{time.time()-t:.2f}s', 'RSS', h.rss_kb(), body(r)[:80])
r = get(h.port, '/readXMLFile?type=x&name=ApplicationData/ATWS/over.xml'); print('8 MiB+: status', status(r), 'body', body(r)[:40])
r = get(h.port, '/readFile?name=over.xml'); print('readFile 8 MiB+ .xml: status', status(r), 'len', len(body(r)))
peak = 0
for name, n in (('a8.xml', 12), ('big7.xml', 66), ('a1.xml', 40)):
    socks = stalled(name, n); 
    for _ in range(40): peak = max(peak, h.rss_kb()); time.sleep(0.25)
    print(f'{n} stalled readers of {name}: RSS {h.rss_kb()} kB, peak so far {peak} kB')
    keep = socks
mixed = stalled('a8.xml', 10) + stalled('big7.xml', 20) + stalled('a1.xml', 30) + [socket.create_connection(('127.0.0.1', h.port))]
for _ in range(40): peak = max(peak, h.rss_kb()); time.sleep(0.25)
print('mixed 60 more stalled, all held: RSS', h.rss_kb(), 'peak', peak)
w = h.stderr(); print('warnings: budget', w.count('kXmlReadBudgetBytes'), 'cap', w.count('kMaxXmlFileBytes'))
t = time.time(); r = get(h.port, '/readSignal?ecu=DEMO&signals=PumpState'); print('readSignal while stalled:', status(r), f'{time.time()-t:.2f}s')
print('stop', h.stop())

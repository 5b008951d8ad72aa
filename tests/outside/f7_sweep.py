"""F7 detail: how long SIGTERM takes at several moments of a 60 MiB reload, and how long the reload itself takes."""
import os, sys, time, threading, urllib.request
sys.path.insert(0, os.path.dirname(__file__))
from h import Host
def big(t):
    return t.replace('<texts>', '<texts>\n' + ''.join(f'<text code="X{i}">{"y" * 100}</text>\n' for i in range(480000)), 1)
def reload(h):
    req = urllib.request.Request(f'http://127.0.0.1:{h.cport}/api/reload', data=b'', headers={'Content-Type': 'application/json'}, method='POST')
    t0 = time.time(); urllib.request.urlopen(req, timeout=60).read(); return time.time() - t0
h = Host(data_edit=big, level='warning'); print(f'one reload takes {reload(h):.2f}s'); h.stop()
for d in (1.5, 2.0, 2.5, 3.0, 3.5, 4.0):
    h = Host(data_edit=big, level='warning')
    threading.Thread(target=lambda: (lambda: None)() if False else _r(h), daemon=True).start() if False else None
    t = threading.Thread(target=lambda h=h: (lambda: reload(h))() if True else None, daemon=True)
    def run(h=h):
        try: reload(h)
        except Exception: pass
    threading.Thread(target=run, daemon=True).start(); time.sleep(d)
    print(f'SIGTERM {d}s into the reload: exit/time', h.stop(timeout=30))

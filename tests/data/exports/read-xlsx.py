# The cells of both sheets of an Excel file written by the export, by their
# references, with whether the first sheet's header row is frozen, as JSON.
import json, re, sys, zipfile
import xml.etree.ElementTree as ET
ns = {'m': 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'}
book = zipfile.ZipFile(sys.argv[1])
shared = []
if 'xl/sharedStrings.xml' in book.namelist():
    for si in ET.fromstring(book.read('xl/sharedStrings.xml')).findall('m:si', ns):
        shared.append(''.join(t.text or '' for t in si.iter('{%s}t' % ns['m'])))
def column(ref):
    n = 0
    for ch in re.match('[A-Z]+', ref).group(0):
        n = n * 26 + ord(ch) - 64
    return n - 1
def sheet(name):
    root = ET.fromstring(book.read(name))
    rows = []
    for row in root.iter('{%s}row' % ns['m']):
        while len(rows) < int(row.get('r')) - 1:
            rows.append([])
        cells = {}
        for c in row.findall('m:c', ns):
            kind = c.get('t')
            if kind == 'inlineStr':
                value = ''.join(t.text or '' for t in c.iter('{%s}t' % ns['m']))
            elif kind == 's':
                value = shared[int(c.find('m:v', ns).text)]
            else:
                v = c.find('m:v', ns)
                value = {'n': v.text} if v is not None else ''
            cells[column(c.get('r'))] = value
        width = max(cells) + 1 if cells else 0
        rows.append([cells.get(i, None) for i in range(width)])
    pane = root.find('.//m:pane', ns)
    frozen = pane is not None and pane.get('ySplit') == '1' and pane.get('state') == 'frozen'
    return {'rows': rows, 'frozen': frozen}
print(json.dumps([sheet('xl/worksheets/sheet1.xml'), sheet('xl/worksheets/sheet2.xml')]))

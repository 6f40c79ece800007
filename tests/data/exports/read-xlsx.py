# The cells of both sheets of an Excel file written by the export, by their
# references, with whether the first sheet's header row is frozen and the
# widths of its columns, as JSON. Text is decoded as Excel decodes it (the
# escapes _xHHHH_); a zip whose CRCs do not match its data fails.
import json, re, sys, zipfile
import xml.etree.ElementTree as ET
ns = {'m': 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'}
book = zipfile.ZipFile(sys.argv[1])
bad = book.testzip()
if bad is not None:
    sys.exit('bad CRC: ' + bad)
def text(element):
    raw = ''.join(t.text or '' for t in element.iter('{%s}t' % ns['m']))
    return re.sub('_x([0-9A-Fa-f]{4})_', lambda m: chr(int(m.group(1), 16)), raw)
shared = []
if 'xl/sharedStrings.xml' in book.namelist():
    for si in ET.fromstring(book.read('xl/sharedStrings.xml')).findall('m:si', ns):
        shared.append(text(si))
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
                value = text(c)
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
    widths = {int(col.get('min')): col.get('width') for col in root.iter('{%s}col' % ns['m'])}
    return {'rows': rows, 'frozen': frozen, 'widths': widths}
print(json.dumps([sheet('xl/worksheets/sheet1.xml'), sheet('xl/worksheets/sheet2.xml')]))

# The entries of a zip file as JSON, read with the standard library: each
# entry's name, size, the SHA-256 of its data, whether its central record
# takes the zip64 form, and the form of the data descriptor after its data.
# A zip whose CRCs do not match its data fails.
import hashlib, json, struct, sys, zipfile
path = sys.argv[1]
archive = zipfile.ZipFile(path)
bad = archive.testzip()
if bad is not None:
    sys.exit('bad CRC: ' + bad)
raw = open(path, 'rb').read()
def descriptor_form(info):
    # The data descriptor after the entry's data: "zip64" (sizes in 8 bytes)
    # or "classic" (4) when it repeats the CRC and sizes, else "wrong".
    name_length, extra_length = struct.unpack('<HH', raw[info.header_offset + 26:info.header_offset + 30])
    at = info.header_offset + 30 + name_length + extra_length + info.compress_size
    expected = (info.CRC, info.compress_size, info.file_size)
    if raw[at:at + 4] == b'PK\x07\x08':
        if struct.unpack('<IQQ', raw[at + 4:at + 24]) == expected:
            return 'zip64'
        if struct.unpack('<III', raw[at + 4:at + 16]) == expected:
            return 'classic'
    return 'wrong'
entries = []
for info in archive.infolist():
    entries.append({'name': info.filename, 'size': info.file_size,
                    'sha256': hashlib.sha256(archive.read(info)).hexdigest(),
                    'zip64': info.extract_version >= 45, 'descriptor': descriptor_form(info)})
print(json.dumps({'entries': entries, 'zip64 end': b'PK\x06\x06' in raw[-200:]}))

# The rows Python's csv module reads from a text export, as strict UTF-8, as JSON.
import csv, json, sys
print(json.dumps(list(csv.reader(open(sys.argv[1], newline='', encoding='utf-8', errors='strict')))))

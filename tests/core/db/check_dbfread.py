#!/usr/bin/python3
"""Reads a table with python's dbfread and prints what it sees, one line each:
FIELD name type length decimals / ROW recno value... (live rows) / DELETED recno (deleted rows).
The text encoding is the one the table's code page mark names."""
import sys
import datetime
from dbfread import DBF


def text(v):
    if isinstance(v, bool):
        return 'T' if v else 'F'
    if isinstance(v, datetime.date):
        return v.strftime('%Y%m%d')
    if isinstance(v, (int, float)):
        return '%.4f' % v
    if v is None:
        return ''
    return str(v)


table = DBF(sys.argv[1], load=True)
print('ENCODING\t' + table.encoding)
for f in table.fields:
    print('FIELD\t%s\t%s\t%d\t%d' % (f.name, f.type, f.length, f.decimal_count))
for i, rec in enumerate(table.records):
    print('ROW\t' + '\t'.join(text(v) for v in rec.values()))
print('DELETED\t%d' % len(table.deleted))

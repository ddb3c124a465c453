# One geometry a line on stdin, as JSON [wkb type, members]; writes its WKB as hex, little-endian then
# big-endian, through OGR. Exits 77 when GDAL's bindings are missing.
import json
import sys

try:
    from osgeo import ogr
except ImportError:
    sys.exit(77)

ogr.UseExceptions()


def line(kind, points):
    g = ogr.Geometry(kind)
    for x, y in points:
        g.AddPoint_2D(x, y)
    return g


def polygon(rings):
    g = ogr.Geometry(ogr.wkbPolygon)
    for r in rings:
        g.AddGeometry(line(ogr.wkbLinearRing, r))
    return g


def build(t, members):
    if t == 1:
        return line(ogr.wkbPoint, members[0][0])
    if t == 2:
        return line(ogr.wkbLineString, members[0][0])
    if t == 3:
        return polygon(members[0])
    kind, member = {
        4: (ogr.wkbMultiPoint, lambda m: line(ogr.wkbPoint, m[0])),
        5: (ogr.wkbMultiLineString, lambda m: line(ogr.wkbLineString, m[0])),
        6: (ogr.wkbMultiPolygon, polygon),
    }[t]
    g = ogr.Geometry(kind)
    for m in members:
        g.AddGeometry(member(m))
    return g


for text in sys.stdin:
    g = build(*json.loads(text))
    print(g.ExportToWkb(ogr.wkbNDR).hex(), g.ExportToWkb(ogr.wkbXDR).hex())

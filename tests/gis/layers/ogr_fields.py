# The attributes of every feature of each file named, as GDAL reads them: one line a feature of
# "name(width)=value" pairs, reals with 15 significant digits, "null" for no value. Exits 77 when GDAL's
# bindings are missing.
import sys

try:
    from osgeo import ogr
except ImportError:
    sys.exit(77)

ogr.UseExceptions()

for path in sys.argv[1:]:
    source = ogr.Open(path)  # the layer lives only as long as its source
    layer = source.GetLayer(0)
    fields = layer.GetLayerDefn()
    for feature in layer:
        values = []
        for i in range(fields.GetFieldCount()):
            field = fields.GetFieldDefn(i)
            name = "%s(%d)" % (field.GetName(), field.GetWidth())
            if not feature.IsFieldSetAndNotNull(i):
                values.append(name + "=null")
            elif field.GetType() == ogr.OFTReal:
                values.append("%s=%.14e" % (name, feature.GetFieldAsDouble(i)))
            else:
                values.append(name + "=" + feature.GetFieldAsString(i))
        print(" ".join(values))
    print("--")

#!/usr/bin/python3
# Reads an exported file with readers the host did not write and prints what they found as one JSON
# object, for the exchange tests to compare with the database:
#   read_back.py dxf FILE   ezdxf: version, units, layers, and each entity's kind, layer, colour
#                           (with ezdxf's own RGB of it) and geometry; ezdxf's whole ACI table
#   read_back.py 3mf FILE   zipfile and ElementTree: the parts, the unit, and per object its name,
#                           colour, vertex and triangle counts, edges not shared by exactly two
#                           triangles, and its signed volume
import json
import sys
import zipfile
import xml.etree.ElementTree as ET


def dxf(path):
    import ezdxf
    from ezdxf import colors
    doc = ezdxf.readfile(path)
    out = {"version": doc.dxfversion, "insunits": doc.header.get("$INSUNITS"),
           "layers": sorted(layer.dxf.name for layer in doc.layers),
           "aci": [list(colors.aci2rgb(i)) for i in range(1, 256)], "entities": []}
    for e in doc.modelspace():
        item = {"kind": e.dxftype(), "layer": e.dxf.layer, "color": e.dxf.color}
        if item["kind"] == "POINT":
            item["at"] = list(e.dxf.location)
        elif item["kind"] == "LINE":
            item["from"], item["to"] = list(e.dxf.start), list(e.dxf.end)
        elif item["kind"] == "SPLINE":
            item["degree"] = e.dxf.degree
            item["poles"] = [list(p) for p in e.control_points]
            item["knots"] = list(e.knots)
            item["weights"] = list(e.weights)
        elif item["kind"] == "POLYLINE":
            item["polyline3d"] = e.is_3d_polyline
            item["points"] = [list(v.dxf.location) for v in e.vertices]
        out["entities"].append(item)
    out["audit_errors"] = len(doc.audit().errors)
    return out


def threemf(path):
    ns = {"m": "http://schemas.microsoft.com/3dmanufacturing/core/2015/02"}
    with zipfile.ZipFile(path) as z:
        out = {"parts": sorted(z.namelist()), "bad_crc": z.testzip()}
        model = ET.fromstring(z.read("3D/3dmodel.model"))
    out["unit"] = model.get("unit")
    colours = [b.get("displaycolor") for b in model.iter("{%s}base" % ns["m"])]
    out["objects"] = []
    for obj in model.iter("{%s}object" % ns["m"]):
        v = [tuple(float(p.get(c)) for c in "xyz") for p in obj.iter("{%s}vertex" % ns["m"])]
        t = [tuple(int(p.get(c)) for c in ("v1", "v2", "v3")) for p in obj.iter("{%s}triangle" % ns["m"])]
        edges = {}
        for a, b, c in t:
            for e in ((a, b), (b, c), (c, a)):
                edges[e] = edges.get(e, 0) + 1
        # A closed, consistently oriented mesh has each directed edge once and its reverse once.
        unpaired = sum(1 for (a, b), n in edges.items() if n != 1 or edges.get((b, a), 0) != 1)
        volume = 0.0
        for a, b, c in t:
            (ax, ay, az), (bx, by, bz), (cx, cy, cz) = v[a], v[b], v[c]
            volume += ax * (by * cz - bz * cy) - ay * (bx * cz - bz * cx) + az * (bx * cy - by * cx)
        out["objects"].append({"name": obj.get("name"), "colour": colours[int(obj.get("pindex"))],
                               "vertices": len(v), "triangles": len(t), "unpaired_edges": unpaired,
                               "volume": volume / 6})
    out["build_items"] = len(list(model.iter("{%s}item" % ns["m"])))
    return out


if __name__ == "__main__":
    kind, path = sys.argv[1], sys.argv[2]
    print(json.dumps(dxf(path) if kind == "dxf" else threemf(path)))

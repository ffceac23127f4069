"""The small survey the end-to-end Python tests import, how they write SIMA files, and how they read
our records back from a drawing."""
import os

POINTS = [  # number, name, X (north), Y (east), Z (None: no elevation, so no point in a drawing)
    (1, "基準点１", 1000.125, 2000.5, 10.25),
    (2, "No.2", -23795.96, -32832.251, 0.0),
    (3, "髙野～", 0.1, 0.2, 0.3),
    (4, "NoZ", 5.0, 5.0, None),
]
# The points, a closed lot 7 through points 1 to 3 and an open lot 8 from point 3 to 4.
LINES = (["A00,"] + [f"A01,{n},{name},{x},{y},{'' if z is None else z}," for n, name, x, y, z in POINTS]
         + ["A99,", "D00,7,画地七,1,", "B01,1,a,", "B01,2,b,", "B01,3,c,", "D99,",
            "D00,8,開放,2,", "B01,3,c,", "B01,4,d,", "D99,"])


def write_sima(folder, name, lines, encoding="cp932"):
    path = os.path.join(folder, name)
    with open(path, "w", encoding=encoding, newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")
    return path


def xdata(entity, app):
    """The values of an ezdxf entity's extended data of one application, or None."""
    return [value for _, value in entity.get_xdata(app)] if entity.has_xdata(app) else None

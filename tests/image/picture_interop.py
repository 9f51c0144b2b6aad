#!/usr/bin/env python3
"""Checks our TIFF and PNG files with other programs' readers and writes
pictures with their writers for our readers.

    picture_interop.py FOLDER PIXELS_PER_CM

FOLDER holds ours.tif, ours-grey.tif and ours.png, written by the test from
the shared pattern with a micrometre calibration of PIXELS_PER_CM pixels per
centimetre. The script checks their size, pixels and resolution with
tifffile, Pillow and OpenCV, then writes foreign-*.tif and foreign-*.png of
the same pattern into FOLDER.

Exit status: 0 when every reader agrees, 1 with one line per difference on
standard output, 3 when a reader is not installed.
"""

import sys

MISSING_READER = 3

try:
    import cv2
    import numpy
    import tifffile
    from PIL import Image
except ImportError as error:
    print(error)
    sys.exit(MISSING_READER)

WIDTH, HEIGHT = 66, 24
faults = []


def pattern(channels):
    y, x = numpy.mgrid[0:HEIGHT, 0:WIDTH]
    planes = [(x * 4 + y * 3 + c * 85) & 255 for c in range(channels)]
    return numpy.stack(planes, axis=-1).astype(numpy.uint8).squeeze()


def check(what, condition):
    if not condition:
        faults.append(what)


def check_pixels(what, found, expected):
    if found is None:
        faults.append(f"{what}: not read")
    elif found.shape != expected.shape:
        faults.append(f"{what}: shape {found.shape}, expected {expected.shape}")
    elif not numpy.array_equal(found, expected):
        faults.append(f"{what}: {int((found != expected).sum())} samples differ")


def close(found, expected):
    return abs(found - expected) <= 1e-4 * expected


def check_ours(folder, per_cm):
    rgb = pattern(3)
    grey = pattern(1)
    with tifffile.TiffFile(f"{folder}/ours.tif") as tif:
        page = tif.pages[0]
        check_pixels("tifffile ours.tif", page.asarray(), rgb)
        x_num, x_den = page.tags["XResolution"].value
        check(f"tifffile resolution {x_num}/{x_den}", close(x_num / x_den, per_cm))
        check("tifffile resolution unit", page.tags["ResolutionUnit"].value == 3)
        check("tifffile Deflate", page.compression == 8)
        metadata = tif.imagej_metadata or {}
        check(f"ImageJ unit {metadata.get('unit')!r}", metadata.get("unit") == "um")
    check_pixels("tifffile ours-grey.tif", tifffile.imread(f"{folder}/ours-grey.tif"), grey)
    with Image.open(f"{folder}/ours.tif") as image:
        check_pixels("Pillow ours.tif", numpy.asarray(image.convert("RGB")), rgb)
    with Image.open(f"{folder}/ours.png") as image:
        check_pixels("Pillow ours.png", numpy.asarray(image.convert("RGB")), rgb)
        dpi = image.info.get("dpi", (0, 0))[0]
        check(f"Pillow dpi {dpi}", abs(dpi - per_cm * 2.54) < 0.01 * per_cm)
    for name in ("ours.tif", "ours.png"):
        found = cv2.imread(f"{folder}/{name}", cv2.IMREAD_COLOR)
        check_pixels(f"OpenCV {name}", None if found is None else found[:, :, ::-1], rgb)


def write_foreign(folder):
    rgb = pattern(3)
    grey16 = (1000 + pattern(1).astype(numpy.uint16) * 100).astype(numpy.uint16)
    # ImageJ's way: pixels per micrometre, no resolution unit, the unit told
    # in the description.
    tifffile.imwrite(f"{folder}/foreign-imagej.tif", grey16, imagej=True,
                     resolution=(2.0, 2.0), metadata={"unit": "um"})
    tifffile.imwrite(f"{folder}/foreign-tiles.tif", rgb, tile=(16, 16),
                     compression="zlib", resolution=(100, 100, "CENTIMETER"))
    Image.fromarray(rgb).save(f"{folder}/foreign-pillow.png", dpi=(254, 254))
    Image.fromarray(numpy.dstack([rgb, numpy.full_like(rgb[:, :, 0], 255)])).save(
        f"{folder}/foreign-pillow.tif", compression="tiff_lzw")
    cv2.imwrite(f"{folder}/foreign-opencv.png", rgb[:, :, ::-1])
    cv2.imwrite(f"{folder}/foreign-opencv.tif", rgb[:, :, ::-1])


def main():
    folder, per_cm = sys.argv[1], float(sys.argv[2])
    check_ours(folder, per_cm)
    write_foreign(folder)
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

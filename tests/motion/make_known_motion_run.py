#!/usr/bin/env python3
"""Writes a 4D NIfTI-1 run of a textured head-like phantom moved by known
rigid motion (a slow drift plus a few sudden jerks), and the motion as a
TSV in the confounds' columns, for checking a motion estimator against a
truth it had no part in making.

Each volume is the phantom resampled by scipy.ndimage.affine_transform with
cubic splines. The motion of volume v says where the head went: the point
at p (mm from the centre of the grid, voxel (n - 1) / 2 of each axis, along
the voxel axes) in volume 0 lies at R p + t in volume v, with
R = Rx(rot_x) Ry(rot_y) Rz(rot_z). Volume 0 is the phantom itself.
"""
import argparse
import struct
import sys

import numpy as np
from scipy import ndimage


def rotation(angles):
    a, b, c = angles
    rx = np.array([[1, 0, 0], [0, np.cos(a), -np.sin(a)], [0, np.sin(a), np.cos(a)]])
    ry = np.array([[np.cos(b), 0, np.sin(b)], [0, 1, 0], [-np.sin(b), 0, np.cos(b)]])
    rz = np.array([[np.cos(c), -np.sin(c), 0], [np.sin(c), np.cos(c), 0], [0, 0, 1]])
    return rx @ ry @ rz


def phantom(shape, voxel, rng):
    """A head: scalp, a dark gap, a brain with folded texture and two
    ventricles, blurred as an EPI image is, well inside the field of view."""
    centre = (np.array(shape) - 1) / 2.0
    axes = [(np.arange(n) - centre[a]) * voxel[a] for a, n in enumerate(shape)]
    x, y, z = np.meshgrid(*axes, indexing="ij")
    half = np.array(shape) * np.array(voxel) / 2.0
    radii = half * np.array([0.78, 0.84, 0.74])
    r = np.sqrt((x / radii[0]) ** 2 + (y / radii[1]) ** 2 + (z / radii[2]) ** 2)
    scalp_thickness = 1.6 * max(voxel) / radii.min()
    image = np.zeros(shape)
    image[r <= 1.0] = 500.0
    image[r <= 1.0 - scalp_thickness] = 150.0
    brain = r <= 1.0 - 1.8 * scalp_thickness
    texture = ndimage.gaussian_filter(rng.standard_normal(shape), [3.6 / v for v in voxel])
    texture /= texture.std()
    folds = np.where(texture > 0.2, 950.0, 700.0)  # grey and white matter
    image[brain] = folds[brain]
    for side in (-1, 1):
        rv = np.sqrt(((x - side * 0.12 * radii[0]) / (0.09 * radii[0])) ** 2 +
                     ((y + 0.05 * radii[1]) / (0.3 * radii[1])) ** 2 +
                     (z / (0.2 * radii[2])) ** 2)
        image[rv <= 1.0] = 250.0
    return ndimage.gaussian_filter(image, [2.1 / v for v in voxel])


def trajectory(volumes, rng, jerk_mm, jerk_deg):
    """Translations (mm) and rotations (rad) of each volume: a slow drift
    plus two lasting jerks and two that return a volume later."""
    t = np.arange(volumes) / max(volumes - 1, 1)
    trans = np.outer(t, rng.uniform(-1.0, 1.0, 3)) + 0.3 * np.sin(np.outer(t, rng.uniform(2, 5, 3)) * np.pi)
    rot = np.deg2rad(np.outer(t, rng.uniform(-0.8, 0.8, 3)) +
                     0.2 * np.sin(np.outer(t, rng.uniform(2, 5, 3)) * np.pi))
    trans -= trans[0]
    rot -= rot[0]
    if volumes >= 8:
        picks = rng.choice(np.arange(2, volumes - 1), size=4, replace=False)
        for k, at in enumerate(sorted(picks)):
            dt = rng.uniform(-1.0, 1.0, 3)
            dr = rng.uniform(-1.0, 1.0, 3)
            dt *= jerk_mm * rng.uniform(0.6, 1.0) / np.abs(dt).max()
            dr *= np.deg2rad(jerk_deg) * rng.uniform(0.6, 1.0) / np.abs(dr).max()
            end = volumes if k % 2 == 0 else at + 1
            trans[at:end] += dt
            rot[at:end] += dr
    return trans, rot


def move(coefficients, voxel, trans, rot):
    """The phantom with its point p moved to R p + t, sampled on the grid."""
    d = np.diag(voxel)
    d_inv = np.diag(1.0 / np.array(voxel))
    centre = (np.array(coefficients.shape) - 1) / 2.0
    back = rotation(rot).T
    matrix = d_inv @ back @ d
    offset = centre - matrix @ centre - d_inv @ back @ trans
    return ndimage.affine_transform(coefficients, matrix, offset, order=3, mode="nearest",
                                    prefilter=False)


def write_nifti(path, data, voxel, tr, int16):
    shape = data.shape
    header = bytearray(348)
    struct.pack_into("<i", header, 0, 348)
    struct.pack_into("<8h", header, 40, 4, *shape, 1, 1, 1)
    datatype, bitpix = (4, 16) if int16 else (16, 32)
    struct.pack_into("<hh", header, 70, datatype, bitpix)
    struct.pack_into("<8f", header, 76, 1.0, *voxel, tr, 0, 0, 0)
    struct.pack_into("<f", header, 108, 352.0)  # vox_offset
    struct.pack_into("<ff", header, 112, 1.0, 0.0)  # scl_slope, scl_inter
    header[123] = 10  # xyzt_units: mm and s
    struct.pack_into("<hh", header, 252, 1, 1)  # qform_code, sform_code
    centre = (np.array(shape[:3]) - 1) / 2.0
    origin = -centre * np.array(voxel)
    struct.pack_into("<6f", header, 256, 0, 0, 0, *origin)  # quatern b, c, d, qoffset
    for row in range(3):
        srow = [0.0, 0.0, 0.0, origin[row]]
        srow[row] = voxel[row]
        struct.pack_into("<4f", header, 280 + 16 * row, *srow)
    header[344:348] = b"n+1\0"
    samples = np.clip(np.rint(data), -32768, 32767).astype("<i2") if int16 else data.astype("<f4")
    with open(path, "wb") as out:
        out.write(header)
        out.write(b"\0\0\0\0")
        out.write(samples.tobytes(order="F"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--size", type=int, nargs=3, default=[48, 48, 30])
    parser.add_argument("--voxel", type=float, nargs=3, default=[3.0, 3.0, 3.3])
    parser.add_argument("--volumes", type=int, default=30)
    parser.add_argument("--jerk-mm", type=float, default=2.5)
    parser.add_argument("--jerk-deg", type=float, default=2.5)
    parser.add_argument("--tsnr", type=float, nargs=2, metavar=("LOW", "HIGH"),
                        help="add AR(1) noise giving each head voxel a TSNR between LOW and HIGH")
    parser.add_argument("--ar1", type=float, default=0.3)
    parser.add_argument("--int16", action="store_true")
    parser.add_argument("--dummies", type=int, default=0,
                        help="make the first volumes brighter, as before the magnetisation "
                             "settles (x1.6, x1.25, x1.1, ...)")
    parser.add_argument("--in-plane", action="store_true",
                        help="move the head only within the slices (trans_x, trans_y, rot_z)")
    parser.add_argument("--tr", type=float, default=2.0)
    parser.add_argument("--oversample", type=int, default=1,
                        help="move the phantom on a grid this many times finer and average "
                             "each voxel's block, as a scanner's voxel integrates the head")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("run")
    parser.add_argument("truth")
    args = parser.parse_args()

    rng = np.random.default_rng(args.seed)
    shape = tuple(args.size)
    k = args.oversample
    fine_voxel = [v / k for v in args.voxel]
    fine = phantom(tuple(n * k for n in shape), fine_voxel, rng)
    coefficients = ndimage.spline_filter(fine, order=3, mode="nearest")

    def acquire(image):
        return image.reshape(shape[0], k, shape[1], k, shape[2], k).mean(axis=(1, 3, 5))

    base = acquire(fine)
    trans, rot = trajectory(args.volumes, rng, args.jerk_mm, args.jerk_deg)
    if args.in_plane:
        trans[:, 2] = 0.0
        rot[:, :2] = 0.0
    data = np.empty(shape + (args.volumes,), dtype=np.float32)
    for v in range(args.volumes):
        data[..., v] = base if v == 0 else acquire(move(coefficients, fine_voxel, trans[v], rot[v]))
    if args.tsnr:
        tsnr = rng.uniform(args.tsnr[0], args.tsnr[1], shape)
        sd = np.where(base > 50.0, base / tsnr, 5.0)
        noise = rng.standard_normal(shape)
        scale = np.sqrt(1.0 - args.ar1 ** 2)
        for v in range(args.volumes):
            if v > 0:
                noise = args.ar1 * noise + scale * rng.standard_normal(shape)
            data[..., v] += (sd * noise).astype(np.float32)
    for v in range(min(args.dummies, args.volumes)):
        data[..., v] *= np.float32(1.0 + 0.6 * 0.4 ** v)
    write_nifti(args.run, data, args.voxel, args.tr, args.int16)

    fd = np.full(args.volumes, np.nan)
    fd[1:] = (np.abs(np.diff(trans, axis=0)).sum(axis=1) +
              50.0 * np.abs(np.diff(rot, axis=0)).sum(axis=1))
    with open(args.truth, "w") as out:
        out.write("trans_x\ttrans_y\ttrans_z\trot_x\trot_y\trot_z\tframewise_displacement\n")
        for v in range(args.volumes):
            values = ["%.9f" % x for x in list(trans[v]) + list(rot[v])]
            values.append("n/a" if v == 0 else "%.9f" % fd[v])
            out.write("\t".join(values) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())

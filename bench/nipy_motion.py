#!/usr/bin/env python3
"""Runs nipy's rigid realignment (SpaceRealign, reference scan 0, its default
settings) on a run with known motion and prints its time and its accuracy
against the truth TSV, in the figures motion_bench prints.

Usage: nipy_motion.py RUN.nii TRUTH.tsv

nipy's transform of scan t carries the reference's world coordinates to the
scan's, which for the generator's runs (an affine of voxel sizes centred on
the grid) is the movement the truth gives: p -> R p + t with
R = Rx(rot_x) Ry(rot_y) Rz(rot_z).
"""
import sys
import time

import numpy as np


def angles(r):
    b = np.arcsin(np.clip(r[0, 2], -1.0, 1.0))
    a = np.arctan2(-r[1, 2], r[2, 2])
    c = np.arctan2(-r[0, 1], r[0, 0])
    return np.array([a, b, c])


def framewise(trans, rot):
    return np.abs(np.diff(trans, axis=0)).sum(axis=1) + 50.0 * np.abs(np.diff(rot, axis=0)).sum(axis=1)


def main():
    run, truth_path = sys.argv[1], sys.argv[2]
    from nipy import load_image
    from nipy.algorithms.registration.groupwise_registration import SpaceRealign

    image = load_image(run)
    volumes = image.shape[3]
    start = time.perf_counter()
    realign = SpaceRealign(image)
    realign.estimate(refscan=0)
    seconds = time.perf_counter() - start
    trans = np.zeros((volumes, 3))
    rot = np.zeros((volumes, 3))
    for t, transform in enumerate(realign._transforms[0]):
        affine = transform.as_affine()
        trans[t] = affine[:3, 3]
        rot[t] = angles(affine[:3, :3])

    truth = np.genfromtxt(truth_path, skip_header=1, usecols=range(6))
    true_trans, true_rot = truth[:, :3], truth[:, 3:6]
    t_rms = np.sqrt(np.mean((trans - true_trans) ** 2))
    r_rms = np.degrees(np.sqrt(np.mean((rot - true_rot) ** 2)))
    fd, true_fd = framewise(trans, rot), framewise(true_trans, true_rot)
    print("nipy SpaceRealign: %d volumes in %.1f s (%.3f s per volume)" %
          (volumes, seconds, seconds / volumes))
    print("accuracy: translation RMS %.4f mm, rotation RMS %.4f deg, FD r %.4f, "
          "mean FD %.4f mm (true %.4f, error %.4f)" %
          (t_rms, r_rms, np.corrcoef(fd, true_fd)[0, 1], fd.mean(), true_fd.mean(),
           abs(fd.mean() - true_fd.mean())))


if __name__ == "__main__":
    main()

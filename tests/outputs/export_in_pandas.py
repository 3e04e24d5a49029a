#!/usr/bin/env python3
"""A simulator recording across two clock wraps, exported both ways and read back with pandas."""
import os
import shutil
import sys
import tempfile

from pandas_check import fail, pandas as pd, run

GYRO_SCALE = 0.0010652644360316951  # rad/s per count, the lab's default
G = 9.80665
EUROC = ("#timestamp [ns],w_RS_S_x [rad s^-1],w_RS_S_y [rad s^-1],w_RS_S_z [rad s^-1],"
         "a_RS_S_x [m s^-2],a_RS_S_y [m s^-2],a_RS_S_z [m s^-2]")


def main():
    lab, config = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix="headvane-export-")
    try:
        capture, euroc, si = (os.path.join(work, n) for n in ("capture.csv", "euroc.csv", "si.csv"))
        # 110 s of the unit, whose clock starts 5 s before a wrap: it wraps twice.
        run(lab, "--sim-speed", "22", "record", "--out", capture, "--duration", "5s")
        run(lab, "export", capture, "--to", "euroc", euroc)
        run(lab, "export", capture, si, "--to", "csv-si", "--frame", "head", "--config", config)

        raw = pd.read_csv(capture, comment="#")
        if (raw.ticks.diff() < 0).sum() < 2:
            fail("the recording does not cross two clock wraps")
        with open(euroc) as f:
            if f.readline().rstrip("\n") != EUROC:
                fail("the euroc header is not the first line")
        e = pd.read_csv(euroc, comment="#", header=None, names=["t", "wx", "wy", "wz", "ax", "ay", "az"])
        if len(e) != len(raw) or str(e.t.dtype) != "int64":
            fail("%d euroc rows of %s for %d samples" % (len(e), e.t.dtype, len(raw)))
        steps = e.t.diff().iloc[1:]
        if not (steps > 0).all() or not (steps % 1_000_000 == 0).all():
            fail("euroc times are not whole milliseconds apart and increasing")
        for exported, column in (("wx", "gyro_x"), ("wy", "gyro_y"), ("wz", "gyro_z")):
            if not ((e[exported] / GYRO_SCALE).round() == raw[column]).all():
                fail("%s does not give the counts back" % exported)
        for exported, column in (("ax", "acc_x"), ("ay", "acc_y"), ("az", "acc_z")):
            if not ((e[exported] / G * 4096).round() == raw[column]).all():
                fail("%s does not give the counts back" % exported)

        s = pd.read_csv(si, comment="#")
        if list(s.columns) != ["t_s", "gyro_x_rad_s", "gyro_y_rad_s", "gyro_z_rad_s", "acc_x_m_s2", "acc_y_m_s2",
                               "acc_z_m_s2"] or len(s) != len(raw):
            fail("csv-si columns %r, %d rows" % (list(s.columns), len(s)))
        if s.t_s.iloc[0] != 0 or ((s.t_s - (e.t - e.t.iloc[0]) / 1e9).abs() > 5e-7).any():
            fail("csv-si t_s is not the euroc time since the first sample")
        up = s.acc_y_m_s2.mean()  # the head's +Y is up in the simulator's rest
        if abs(up - G) > 0.05:
            fail("head frame: mean acc_y %.4f m/s^2, not 1 g" % up)
        print("pandas %s: %d rows across %d wraps, both exports read back" % (pd.__version__, len(e),
                                                                              (raw.ticks.diff() < 0).sum()))
    finally:
        shutil.rmtree(work, ignore_errors=True)


main()

#!/usr/bin/env python3
"""A simulator recording written gzip-compressed, read by pandas as any .csv.gz and checked against its summary."""
import gzip
import io
import os
import shutil
import sys
import tempfile

from pandas_check import fail, pandas as pd, run

COLUMNS = ["t_host_s", "ticks", "seq", "acc_x", "acc_y", "acc_z", "gyro_x", "gyro_y", "gyro_z"]


def main():
    lab = sys.argv[1]
    work = tempfile.mkdtemp(prefix="headvane-gz-")
    try:
        capture = os.path.join(work, "capture.csv.gz")
        run(lab, "--sim-speed", "10", "record", "--out", capture, "--duration", "2")

        frame = pd.read_csv(capture, comment="#")  # compression inferred from the name, as users do
        with gzip.open(capture, "rt") as f:
            text = f.read()
        summary = [line for line in text.splitlines() if line.startswith("# summary ")]
        if len(summary) != 1:
            fail("%d summary lines" % len(summary))
        fields = summary[0].split()[2:]
        samples = int(dict(zip(fields[::2], fields[1::2]))["samples"])
        if list(frame.columns) != COLUMNS:
            fail("columns %r" % list(frame.columns))
        if len(frame) != samples or samples < 10000:
            fail("%d rows for the summary's %d samples" % (len(frame), samples))
        if not frame.equals(pd.read_csv(io.StringIO(text), comment="#")):
            fail("the compressed file reads otherwise than its text")
        print("pandas %s: %d rows from %d compressed bytes" % (pd.__version__, len(frame), os.path.getsize(capture)))
    finally:
        shutil.rmtree(work, ignore_errors=True)


main()

"""What the pandas checks share: pandas itself (or ctest's skip without it) and their way of failing."""
import subprocess
import sys

SKIP = 77  # ctest's SKIP_RETURN_CODE for these tests

try:
    import pandas
except ImportError:
    print("SKIPPED: pandas is not installed for " + sys.executable + " (Debian: python3-pandas)")
    sys.exit(SKIP)


def fail(reason):
    print("FAILED: " + reason)
    sys.exit(1)


def run(*args):
    """Runs a program; a failure ends the check with what it said."""
    done = subprocess.run(args, capture_output=True, text=True, timeout=120)
    if done.returncode != 0:
        fail("%s ended with %d: %s" % (" ".join(args), done.returncode, done.stderr))
    return done

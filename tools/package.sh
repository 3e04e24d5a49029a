#!/bin/sh
# Builds the packages into build/packages/: the Debian package from the release
# preset and the ZIP of the Windows executables from the windows preset.
set -eu
cd "$(dirname "$0")/.."
cmake --workflow --preset package-deb
cmake --workflow --preset package-zip

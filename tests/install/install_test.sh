#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into an empty prefix and checks what a user of the installed copy meets:
# the program finds its own data from any working folder, the desktop entry and the metadata
# pass their validators, and each manual page lists the options its program's --help lists.
set -euo pipefail

build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
mkdir -p "$work/elsewhere"

cmake --install "$build" --prefix "$prefix" >/dev/null

cd "$work/elsewhere"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
status=0
"$prefix/bin/vamrick" --demo --report >report.txt 2>err.txt || status=$?
if [[ $status -ne 0 ]] || grep -q "^== Messages ==" report.txt ||
    ! grep -q "^P0300 Random/Multiple Cylinder Misfire Detected" report.txt; then
    echo "the installed vamrick --demo --report did not find its definitions, or had to say so:"
    cat err.txt report.txt
    exit 1
fi

desktop-file-validate "$prefix"/share/applications/*.desktop
appstreamcli validate --no-net "$prefix"/share/metainfo/*.metainfo.xml >/dev/null
[[ -f $(echo "$prefix"/share/icons/hicolor/scalable/apps/*.svg) ]]

for program in vamrick vamrick-sim; do
    helped=$("$prefix/bin/$program" --help | sed -n 's/^  \(-[a-z], \)\{0,1\}--\([a-z0-9-]*\).*/\2/p' | sort)
    paged=$(sed -n 's/^\.B \(\\-[a-z], \)\{0,1\}\\-\\-\([a-z0-9\\-]*\).*/\2/p' \
        "$prefix/share/man/man1/$program.1" | sed 's/\\-/-/g' | sort)
    if [[ -z $helped || $helped != "$paged" ]]; then
        echo "$program: --help and the manual page list different options:"
        diff <(echo "$helped") <(echo "$paged") || true
        exit 1
    fi
done
echo "installed copy: data found, desktop files valid, manual pages match --help"

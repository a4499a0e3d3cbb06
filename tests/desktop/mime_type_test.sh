#!/bin/sh
# Merges the program's file type into a copy of the system's database, as a
# package install does, and checks that .pic files then have the PICT type.
set -eu
db=$(mktemp -d)
trap 'rm -rf "$db"' EXIT
mkdir "$db/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$1" "$db/packages/"
update-mime-database "$db"
for glob in '*.pic' '*.pict' '*.pct'; do
    grep -qxF "image/x-pict:$glob" "$db/globs" || { echo "no image/x-pict for $glob"; exit 1; }
done
grep -qxF "image/pict image/x-pict" "$db/aliases" || { echo "image/pict is no alias"; exit 1; }

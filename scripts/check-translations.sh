#!/usr/bin/env bash
# Fails when the Russian translation lags behind the sources: a text that
# lupdate would add (unfinished) or drop (vanished), a translation left
# unfinished or empty, or a text of the window's QML written without qsTr().
# The translation itself is not touched; lupdate works on a copy.
#   scripts/check-translations.sh [path of lupdate]
# To bring the translation up to date:
#   lupdate -locations none plugin sensors gps camera link model3d qml js -ts translations/Mimicry-ru.ts
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
lupdate=${1:-lupdate}
sources=(plugin sensors gps camera link model3d qml js)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$top/translations/Mimicry-ru.ts" "$work/"
(cd "$top" && "$lupdate" -silent -locations none "${sources[@]}" -ts "$work/Mimicry-ru.ts")

status=0

# One line per entry that lacks a finished translation: context, source text
# and why.
lagging=$(awk '
    /<name>/ { context = $0; sub(/.*<name>/, "", context); sub(/<\/name>.*/, "", context) }
    /<source>/ { source = ""; inSource = 1 }
    inSource { source = source (source == "" ? "" : "\\n") $0 }
    /<\/source>/ {
        inSource = 0
        sub(/.*<source>/, "", source); sub(/<\/source>.*/, "", source)
    }
    /<translation/ {
        why = ""
        if ($0 ~ /type="unfinished"/) why = "new or unfinished"
        else if ($0 ~ /type="(vanished|obsolete)"/) why = "no longer in the sources"
        else if ($0 ~ /<translation><\/translation>|<translation\/>/) why = "empty"
        if (why != "") printf "  %s: \"%s\" (%s)\n", context, source, why
    }
' "$work/Mimicry-ru.ts")
if [ -n "$lagging" ]; then
    echo "translations/Mimicry-ru.ts is not up to date with the sources:"
    echo "$lagging"
    status=1
fi

# A literal with a word in it, given to a property that the user reads,
# without qsTr(). Axis names ("X") and marks ("…", "=") are no words.
unmarked=$(cd "$top" && grep -nE \
    '^\s*(text|title|tooltip|placeholderText|nameFilters)\s*:\s*\[?\s*"[^"]*[A-Za-z]{2,}' qml/*.qml || true)
if [ -n "$unmarked" ]; then
    echo "QML texts without qsTr():"
    echo "$unmarked" | sed 's/^/  /'
    status=1
fi

if [ $status -eq 0 ]; then
    echo "translations/Mimicry-ru.ts: every text marked and translated"
fi
exit $status
